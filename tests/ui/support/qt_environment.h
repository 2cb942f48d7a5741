#pragma once

// One QApplication per test program on Qt's offscreen platform. Include this
// header in exactly one test file of a program.
#include <QApplication>
#include <QByteArray>
#include <QDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace velkaro::test {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        // A private runtime folder keeps Qt quiet; a throw-away ODBC file keeps
        // any data-source lookup away from the account's own.
        const std::string base =
            QDir::tempPath().toStdString() + "/velkaro-window-test-" + std::to_string(::getpid());
        ::mkdir(base.c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", base.c_str(), 1);
        setenv("ODBCINI", (base + "/odbc.ini").c_str(), 1);
        setenv("XDG_DATA_HOME", base.c_str(), 1);
        m_app = std::make_unique<QApplication>(m_argc, m_argv);
    }
    void TearDown() override { m_app.reset(); }

private:
    int m_argc = 1;
    char m_name[16] = "window_test";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QApplication> m_app;
};

} // namespace velkaro::test
