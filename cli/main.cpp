// kelvaro-cli: the batch rename, the restore and the rename history of Kelvaro from a terminal.
// Usage: kelvaro-cli COMMAND FOLDER --type PATTERN [options]; kelvaro-cli --help says more.
#include "commands.h"
#include "messages.h"
#include "terminal.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <optional>

namespace {

struct Options
{
    QCommandLineOption type { { "t", "type" }, msg::CliTypeOption, "pattern" };
    QCommandLineOption prefix { { "p", "prefix" }, msg::CliPrefixOption, "prefix" };
    QCommandLineOption start { { "s", "start" }, msg::CliStartOption, "number" };
    QCommandLineOption dryRun { { "n", "dry-run" }, msg::CliDryRunOption };
    QCommandLineOption quiet { { "q", "quiet" }, msg::CliQuietOption };
    QCommandLineOption order { { "o", "order" }, msg::CliOrderOption, "order" };
    QCommandLineOption pairs { "pairs", msg::CliPairsOption };
    QCommandLineOption steps { "steps", msg::CliStepsOption, "N" };
    QCommandLineOption all { { "a", "all" }, msg::CliAllOption };
    QCommandLineOption interactive { { "i", "interactive" }, msg::CliInteractiveOption };
};

// The request the command line makes, or the reason it makes none.
std::optional<cli::Request> requestOf(const QCommandLineParser &parser, const Options &o,
                                      QString *problem)
{
    const QStringList arguments = parser.positionalArguments();
    if (arguments.size() != 2) {
        *problem = msg::CliUsageArguments;
        return std::nullopt;
    }
    cli::Request request;
    request.command = arguments[0];
    // The bytes as given, relative or not: making the path absolute would read the name of the
    // current folder as text, and a name that is not UTF-8 would come back as another folder.
    request.folder = renaming::bytesOfText(arguments[1]);
    request.pattern = parser.value(o.type);
    request.prefix = parser.value(o.prefix);
    request.dryRun = parser.isSet(o.dryRun);
    request.quiet = parser.isSet(o.quiet);
    request.interactive = parser.isSet(o.interactive);

    const bool rename = request.command == QLatin1String("rename");
    const bool restore = request.command == QLatin1String("restore");
    if (!rename && !restore && request.command != QLatin1String("history")
        && request.command != QLatin1String("delete-history")) {
        *problem = msg::CliUsageCommand + cli::escaped(request.command);
        return std::nullopt;
    }
    const auto longName = [](const QCommandLineOption &option) {
        return QStringLiteral("--") + option.names().last();
    };
    const auto missing = [&](const QCommandLineOption &option) {
        return parser.isSet(option) ? QString() : msg::cliUsageMissing(longName(option));
    };
    const auto misplaced = [&](const QCommandLineOption &option, bool allowed,
                               const QString &command) {
        return !allowed && parser.isSet(option) ? msg::cliUsageNotFor(longName(option), command)
                                                : QString();
    };
    const auto number = [&](const QCommandLineOption &option, int *value) {
        bool ok = false;
        *value = parser.value(option).toInt(&ok);
        return ok ? QString() : msg::cliUsageNotANumber(longName(option));
    };
    // Names are written to disk as UTF-8: a byte that is not would be written as another name.
    const auto utf8 = [&](const QCommandLineOption &option) {
        return renaming::isUtf8Text(parser.value(option)) ? QString()
                                                          : msg::cliUsageNotUtf8(longName(option));
    };
    QStringList problems { missing(o.type),
                           utf8(o.type),
                           utf8(o.prefix),
                           misplaced(o.prefix, rename, "rename"),
                           misplaced(o.start, rename, "rename"),
                           misplaced(o.dryRun, request.command != QLatin1String("history"),
                                     "rename, restore, delete-history"),
                           misplaced(o.order, rename, "rename"),
                           misplaced(o.pairs, rename, "rename"),
                           misplaced(o.steps, restore, "restore"),
                           misplaced(o.all, restore, "restore") };
    if (rename)
        problems << missing(o.prefix) << missing(o.start) << number(o.start, &request.startNo);
    request.numbering.pairs = parser.isSet(o.pairs);
    if (rename && parser.isSet(o.order)) {
        const auto order = renaming::orderFromKeyword(parser.value(o.order));
        if (order)
            request.numbering.order = *order;
        else
            problems << msg::cliUsageBadOrder(cli::escaped(parser.value(o.order)));
    }
    if (restore && parser.isSet(o.steps) && parser.isSet(o.all))
        problems << msg::CliUsageStepsAndAll;
    else if (restore && parser.isSet(o.all))
        request.steps = 0;
    else if (restore && parser.isSet(o.steps)) {
        problems << number(o.steps, &request.steps);
        if (request.steps < 1)
            problems << msg::cliUsageNotANumber(QStringLiteral("--steps"));
    }
    problems.removeAll(QString());
    if (!problems.isEmpty()) {
        *problem = problems.first();
        return std::nullopt;
    }
    return request;
}

} // namespace

int main(int argc, char *argv[])
{
    // A reader that goes away (`| head -1`) must not end the program in the middle of a batch:
    // the write fails instead, and the batch finishes or is rolled back as it would.
    std::signal(SIGPIPE, SIG_IGN);
    // Each argument keeps every byte (see textOfBytes), the folder above all.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << renaming::textOfBytes(argv[i]);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kelvaro-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KELVARO_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(msg::CliHelp);
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("rename | restore | history | delete-history"));
    parser.addPositionalArgument(QStringLiteral("folder"), msg::CliFolderArgument);
    const Options options;
    // Help and version of its own, so that their lines are in both languages too.
    const QCommandLineOption help({ "h", "help" }, msg::CliHelpOption);
    const QCommandLineOption version({ "v", "version" }, msg::CliVersionOption);
    parser.addOptions({ options.type, options.prefix, options.start, options.order, options.pairs,
                        options.dryRun, options.quiet, options.steps, options.all,
                        options.interactive, help, version });

    cli::Terminal terminal(stdout, stderr, stdin, cli::japaneseLocale());
    QString problem;
    std::optional<cli::Request> request;
    if (!parser.parse(arguments)) {
        problem = cli::escaped(parser.errorText());
    } else if (parser.isSet(help)) {
        parser.showHelp(cli::Done);
    } else if (parser.isSet(version)) {
        parser.showVersion();
    } else {
        request = requestOf(parser, options, &problem);
    }
    if (!request) {
        terminal.tell(problem);
        terminal.tell(msg::CliSeeHelp);
        return cli::BadUsage;
    }
    terminal.setQuiet(request->quiet);

    cli::ExitStatus status;
    if (request->command == QLatin1String("rename"))
        status = cli::renameFiles(*request, terminal);
    else if (request->command == QLatin1String("restore"))
        status = cli::restoreFiles(*request, terminal);
    else if (request->command == QLatin1String("history"))
        status = cli::listHistory(*request, terminal);
    else
        status = cli::removeHistory(*request, terminal);
    // The work is finished (or put back) before the output's trouble is told: a failure of its
    // own says more than the lost output, which only a command that did its work reports.
    if (terminal.outputFailed()) {
        terminal.tell(msg::CliOutputFailed);
        if (status == cli::Done)
            status = cli::OutputFailed;
    }
    return status;
}
