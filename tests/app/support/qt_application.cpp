// Every app test program gets one offscreen QApplication.
#include "ui/support/qt_environment.h"

namespace {
[[maybe_unused]] const auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new velkaro::test::QtEnvironment);
}
