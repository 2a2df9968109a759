#pragma once

#include "TestSupport.h"

#include <QProcess>

namespace qvic::test {

// The program's environment on the test's folders (AppDir, WinDir, home and temporary folder),
// with no display to be had, as a supervisor or a script runs it.
inline QProcessEnvironment programEnvironment(const TempDirs &dirs)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(name);
    environment.insert("QVIC_APP_DIR", dirs.appDir());
    environment.insert("QVIC_WIN_DIR", dirs.winDir());
    environment.insert("HOME", dirs.root.path());
    environment.insert("TMPDIR", dirs.root.filePath("tmp"));
    QDir().mkpath(dirs.root.filePath("tmp"));
    return environment;
}

// How a run of the program ended, and what it wrote.
struct Ran
{
    int status; // -1: ended by a signal
    QByteArray out;
    QByteArray err;
};

// Runs the program to its end with input on its standard input, then closed.
inline Ran runProgram(const TempDirs &dirs, const QStringList &arguments, const QByteArray &input = {})
{
    QProcess process;
    process.setProcessEnvironment(programEnvironment(dirs));
    process.start(QVIC_EXECUTABLE, arguments);
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(60000);
    const int status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return {status, process.readAllStandardOutput(), process.readAllStandardError()};
}

} // namespace qvic::test
