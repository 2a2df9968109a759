#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace qvic::test {

// A fresh AppDir and WinDir for one test, never the home folder.
struct TempDirs
{
    QTemporaryDir root;
    QString appDir() const { return root.path() + QStringLiteral("/app"); }
    QString winDir() const { return root.path() + QStringLiteral("/win"); }
};

QByteArray readAll(const QString &path);
void writeAll(const QString &path, const QByteArray &bytes);

} // namespace qvic::test
