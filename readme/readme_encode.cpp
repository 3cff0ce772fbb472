// Build step: turns the UTF-8 source of the read-me file into the file the program reads,
// Windows-31J (code page 932) with CR LF line ends. A character that code page 932 cannot
// hold fails the build with its line number, rather than turning into a wrong character in
// the shipped file.
//
//   readme_encode <source.utf8.txt> <VOXA01.vxa>

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringList>

#include <cstdio>

namespace {

int fail(const QString &text)
{
    std::fprintf(stderr, "readme_encode: %s\n", qUtf8Printable(text));
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3)
        return fail(QStringLiteral("usage: readme_encode <source.utf8.txt> <output>"));
    const QString sourcePath = QString::fromLocal8Bit(argv[1]);
    const QString outputPath = QString::fromLocal8Bit(argv[2]);

    QFile source(sourcePath);
    if (!source.open(QIODevice::ReadOnly))
        return fail(sourcePath + QStringLiteral(": ") + source.errorString());
    QStringDecoder fromUtf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = fromUtf8(source.readAll());
    if (fromUtf8.hasError())
        return fail(sourcePath + QStringLiteral(": not valid UTF-8"));

    QStringList lines = text.split(u'\n');
    // A final line end gives no extra empty line.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();

    QByteArray output;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines.at(i);
        if (line.endsWith(u'\r'))
            line.chop(1);
        QStringEncoder toCp932("Windows-31J");
        if (!toCp932.isValid())
            return fail(QStringLiteral("this Qt has no Windows-31J encoder"));
        const QByteArray bytes = toCp932(line);
        if (toCp932.hasError()) {
            return fail(sourcePath + QStringLiteral(":") + QString::number(i + 1)
                        + QStringLiteral(": a character has no Windows-31J code: ") + line);
        }
        output += bytes + "\r\n";
    }

    QSaveFile out(outputPath);
    if (!out.open(QIODevice::WriteOnly) || out.write(output) != output.size() || !out.commit())
        return fail(outputPath + QStringLiteral(": ") + out.errorString());
    return 0;
}
