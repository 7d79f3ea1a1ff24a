#pragma once

#include <QString>

class QTextStream;
class RStorageWriter;

// Opens a site's "DataBase.sqlite" for the site tools: the file must carry
// that name; its folder is made and becomes the working directory, and the
// program's schema is created. Failures are told on err.
class PDemoSite final
{
public:
    // 0 when open; otherwise the tool's exit status (2 a bad name, 1 a file
    // that cannot be used). What the tool writes through writer goes into the
    // transaction opened here.
    static int Open(RStorageWriter& writer, const QString& strFile, QTextStream& err);

private:
    PDemoSite() = delete;
};
