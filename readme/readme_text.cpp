#include "readme_text.h"

#include <QFile>
#include <QStringDecoder>

namespace readme {

bool isEndMarkerLine(const QString &line)
{
    return line.startsWith(EndMarker, Qt::CaseSensitive);
}

QStringList readReadme(QIODevice &in)
{
    // Line feeds and carriage returns never occur inside a double-byte character of code page
    // 932 (its second bytes are 0x40 and above), so the bytes can be cut into lines first and
    // each line decoded on its own.
    QStringDecoder decode("Windows-31J");
    QStringList lines;
    while (lines.size() < MaxReadmeLines && !in.atEnd()) {
        QByteArray bytes = in.readLine();
        if (bytes.endsWith('\n'))
            bytes.chop(1);
        if (bytes.endsWith('\r'))
            bytes.chop(1);
        const QString line = decode(bytes);
        if (isEndMarkerLine(line))
            break;
        lines << line;
    }
    return lines;
}

std::optional<QStringList> loadReadme(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QStringList lines = readReadme(file);
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return lines;
}

QString readmePath(const QString &programFolder)
{
    if (programFolder.endsWith(u'/') || programFolder.endsWith(u'\\'))
        return programFolder + ReadmeFileName;
    return programFolder + u'/' + ReadmeFileName;
}

} // namespace readme
