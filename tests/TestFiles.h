#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>

// Whole files as tests lay them out and read them back.
namespace TestFiles {

// strPath holds bytes, its folder made when missing; false unless all of
// them were written.
inline bool Put(const QString& strPath, const QByteArray& bytes = QByteArray())
{
    QDir().mkpath(QFileInfo(strPath).absolutePath());
    QFile file(strPath);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// What strPath holds; empty when it cannot be read.
inline QByteArray Get(const QString& strPath)
{
    QFile file(strPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace TestFiles
