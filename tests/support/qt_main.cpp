// The main of every window-layer test program: one QApplication for the whole
// run on Qt's offscreen platform, with a private runtime folder, a throw-away
// ODBC file so no data-source lookup reaches the account's own, and private
// settings.
#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "support/temp_dir.h"

namespace velkaro::testing {
namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        m_folder = std::make_unique<TempDir>();
        setenv("XDG_RUNTIME_DIR", m_folder->path().c_str(), 1);
        setenv("ODBCINI", m_folder->file("odbc.ini").c_str(), 1);
        setenv("XDG_DATA_HOME", m_folder->path().c_str(), 1);
        // Settings the programs keep (the station's name) stay in the folder too.
        setenv("XDG_CONFIG_HOME", m_folder->path().c_str(), 1);
        m_app = std::make_unique<QApplication>(m_argc, m_argv);
    }
    void TearDown() override {
        m_app.reset();
        m_folder.reset();
    }

private:
    int m_argc = 1;
    char m_name[16] = "velkaro_test";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<TempDir> m_folder;
    std::unique_ptr<QApplication> m_app;
};

} // namespace
} // namespace velkaro::testing

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new velkaro::testing::QtEnvironment);
    return RUN_ALL_TESTS();
}
