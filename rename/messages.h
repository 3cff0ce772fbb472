// Every text that Kelvaro shows to its user, in one place, so that the code and the tests
// use the same strings and a reviewer can read them side by side. Blanks and full-width
// characters are part of the texts: "改  名" has two half-width blanks, several status
// texts end in one half-width blank, and the progress pieces use ideographic spaces (U+3000).
#pragma once

#include <QList>
#include <QString>

#include <utility>

namespace msg {

// Titles and fixed captions.
inline const QString AppTitle = QStringLiteral("Kelvaro");
inline const QString ConfirmTitle = QStringLiteral("確認");
inline const QString VersionLine = QStringLiteral("Kelvaro (ver.1.04 1997/10/20)");
inline const QString RenameButton = QStringLiteral("改  名");

// Status line texts.
inline const QString StatusAtStart
    = QStringLiteral("指定ディレクトリ・同一拡張子のファイルを連続改名します ");
inline const QString StatusIdle
    = QStringLiteral("指定ディレクトリ・拡張子のファイルの名前を連続特定名に変えます ");
inline const QString StatusRenaming = QStringLiteral("ファイル改名中、リセット・電源に注意！！！");
inline const QString StatusRestoring
    = QStringLiteral("ファイル名復元中、リセット・電源に注意！！！");

// Target selection.
inline const QString DriveListName = QStringLiteral("ドライブ");
inline const QString FolderListName = QStringLiteral("フォルダー");
inline const QString ChooseExtension = QStringLiteral("ファイル拡張子を決めて下さい");
inline QString tooManyFiles(int maxFiles)
{
    return QStringLiteral("ファイル数が ") + QString::number(maxFiles)
        + QStringLiteral("を越えていますから処理出来ません");
}

// A folder given from outside the window: the program's argument, a drop, a later start.
inline const QString FolderNotFound = QStringLiteral("フォルダーが見つかりませんから開けません：");
inline const QString FolderNotReadable = QStringLiteral("フォルダーを読めませんから開けません：");
inline const QString StartingInCurrentFolder = QStringLiteral("現在のフォルダーで始めます");
// A path whose bytes are not UTF-8: the window's folder list holds paths as text, and the text
// of such a path names another folder (a byte 0xFF reads as U+FFFD), so it is not opened.
inline const QString FolderNameNotText
    = QStringLiteral("フォルダー名が UTF-8 ではありませんから開けません：");
inline const QString StartingInHomeFolder
    = QStringLiteral("現在のフォルダー名が UTF-8 ではありませんから、ホームフォルダーで始めます");
// The folder listing leaves out names that are not UTF-8; the window and kelvaro-cli say how
// many.
inline QString notUtf8LeftOut(int count)
{
    return QStringLiteral("名前が UTF-8 ではないファイルが ") + QString::number(count)
        + QStringLiteral(" 個あります。改名の対象にしていません");
}
inline const QString ProgramUsage = QStringLiteral("使い方 / usage: kelvaro [FOLDER]");
// On standard error when no folder of the user's own can hold the single-instance lock.
inline const QString NoLockFolder = QStringLiteral(
    "kelvaro: 二重起動の確認に使えるフォルダーがありません / no private folder can hold the "
    "single-instance lock; starting without it");
inline const QString ProgramOneFolder
    = QStringLiteral("フォルダーは一つだけ指定して下さい / give at most one folder");
inline const QString ProgramUnknownOption
    = QStringLiteral("知らないオプションです / unknown option: ");
inline const QString ProgramDescription
    = QStringLiteral("Kelvaro 連続改名 / batch file renamer (kelvaro-cli: from a terminal)");
inline const QString FolderArgument = QStringLiteral(
    "開くフォルダー（ファイルならそのフォルダー）/ the folder to open (a file: its folder)");
// kelvaro --help; kelvaro --version is "kelvaro <version>".
inline QString programHelp(const QString &helpOption, const QString &versionOption)
{
    return ProgramUsage + QStringLiteral("\n\n") + ProgramDescription
        + QStringLiteral("\n\nオプション / Options:\n  -h, --help     ") + helpOption
        + QStringLiteral("\n  -v, --version  ") + versionOption
        + QStringLiteral("\n\n引数 / Arguments:\n  FOLDER         ") + FolderArgument + u'\n';
}

// New-name entry.
inline const QString PrefixTooWide
    = QStringLiteral("指定できるのは、半角２５０文字以下又は、全角１２５文字以下です");
inline const QString NoFiles = QStringLiteral("ファイルがありませんから処理出来ません");
inline const QString ChooseTypeAndFolder
    = QStringLiteral("ファイル拡張子及びホルダーを指定して下さい");
inline const QString NumberNotAllowed = QStringLiteral("この数値は指定できません");

// Batch rename.
inline const QString NoNewNames = QStringLiteral("改名ファイルが有りません");
inline const QString ListsDiffer = QStringLiteral("ファイル指定が異常です");
inline const QString AskRename = QStringLiteral("ファイル名を改名します");
inline const QString RenameDone = QStringLiteral("ファイル名改名終わりました");
inline const QString RenameMissingFile
    = QStringLiteral("ファイルが見つかりませんから改名出来ません：");
inline const QString RenameNameTaken
    = QStringLiteral("同じ名前のファイルが既に有りますから改名出来ません：");
inline const QString RenameBadName = QStringLiteral("使えないファイル名ですから改名出来ません：");
inline const QString RenameTooManyChanges = QStringLiteral("変更回数が多すぎて改名出来ません ");
inline const QString RenameFaultyHistory
    = QStringLiteral("改名記録が不具合なため､改名出来ません：");
inline const QString RenameHistoryWriteFailed
    = QStringLiteral("改名履歴を書き込めませんから改名出来ません：");
inline const QString RenameFailedRolledBack
    = QStringLiteral("改名に失敗しましたので元に戻しました：");
inline const QString RenameFailed = QStringLiteral("改名に失敗しました：");
inline const QString RenameNotRolledBack
    = QStringLiteral("次のファイルは元の名前に戻せませんでした（元の名前 → 今の名前）：");
inline const QString HistoryNotRestored = QStringLiteral("改名履歴を元に戻せませんでした：");
// A batch, a restore or delete history whose last sync failed: done, but the system could not
// confirm that it reached the disk; the history that undoes a batch stays.
inline const QString RenameDoneNotSynced
    = QStringLiteral("ファイル名改名終わりましたが、ディスクに書き込まれたか確かめられません：");
inline const QString HistoryKeptUnconfirmed
    = QStringLiteral("ディスクに書き込まれたか確かめられませんので、改名履歴を残しました（「ファイ"
                     "ル名の復元」で消せます）：");
// Names that may be second names of a file, on a file system that cannot tell: they stay, and
// so does the history that explains them, until the user has removed them.
inline const QString SecondNamesKept = QStringLiteral(
    "同じファイルの別名かも知れませんので、次の名前と改名履歴を残しました。確かめて消してから、"
    "もう一度元に戻して下さい（名前 → 同じと思われるファイル）：");
// After a list of the names a file may carry, when the folder could not be asked.
inline const QString PlaceUnknown = QStringLiteral("（どれか確かめられません）");
inline QString renamingAway(const QString &from, const QString &to)
{
    return from + QStringLiteral("　を一旦　") + to + QStringLiteral("に改名しています");
}
inline QString renamingTo(const QString &from, const QString &to)
{
    return from + QStringLiteral("　を　") + to + QStringLiteral("に改名しています");
}
// The closing note after a batch rename; the line break is a lone carriage return.
inline QString restoreHint(const QString &folderPath)
{
    return QStringLiteral("この ") + folderPath + QStringLiteral(" 内のファイルは") + QChar(u'\r')
        + QStringLiteral("移動・削除・追加しなければ") + QStringLiteral("復帰できます。");
}

// The Number menu: the order of the running numbers, and one number for a photo and its
// sidecars. The caption shows the reading of the dates, which Esc stops.
inline const QString NumberMenu = QStringLiteral("番号の付け方(&N)");
inline const QString OrderByName = QStringLiteral("名前順(&N)");
inline const QString OrderNaturally = QStringLiteral("名前順・数字は数の大きさ順(&A)");
inline const QString OrderByTaken = QStringLiteral("撮影日時順(&T)");
inline const QString OrderByModified = QStringLiteral("更新日時順(&M)");
inline const QString PairsOption = QStringLiteral("拡張子だけ違うファイルに同じ番号(&P)");
inline const QString ReadingTakenDates = QStringLiteral("撮影日時を読んでいます");
inline const QString ReadingModifiedDates = QStringLiteral("更新日時を読んでいます");
inline QString readingDates(bool taken, int done, int total)
{
    return (taken ? ReadingTakenDates : ReadingModifiedDates) + QStringLiteral("　")
        + QString::number(done) + QStringLiteral(" / ") + QString::number(total)
        + QStringLiteral("　（Esc で中止）");
}

// Restore.
inline const QString AskRestore = QStringLiteral("ファイル名を元に戻します");
inline const QString TooManyChanges = QStringLiteral("変更回数が多すぎてフイル名を元に戻せません ");
inline const QString NoHistory = QStringLiteral("改名記録が無いなため､ファイル名を元に戻せません ");
inline const QString FaultyHistory
    = QStringLiteral("改名記録が不具合なため､ファイル名を元に戻せません ");
inline QString askUndoStep(int r)
{
    return QStringLiteral(" ") + QString::number(r) + QStringLiteral(" 回目の改名を元に戻しますか");
}
inline QString restoringAway(const QString &from, const QString &to)
{
    return from + QStringLiteral("　を一旦　") + to + QStringLiteral("に変更しています");
}
inline QString restoringTo(const QString &from, const QString &to)
{
    return from + QStringLiteral("　を　") + to + QStringLiteral("に復元しています");
}
inline const QString RestoreMissingFile
    = QStringLiteral("ファイルが見つかりませんから元に戻せません：");
inline const QString RestoreNameTaken
    = QStringLiteral("同じ名前のファイルが既に有りますから元に戻せません：");
inline const QString RestoreBadName = QStringLiteral("使えないファイル名ですから元に戻せません：");
inline const QString RestoreFailedRolledBack
    = QStringLiteral("復元に失敗しましたので元に戻しました：");
inline const QString HistoryNotDeleted = QStringLiteral("改名履歴を削除できませんでした：");
inline const QString RestoreFailed = QStringLiteral("復元に失敗しました：");
inline const QString RecoveryMismatch
    = QStringLiteral("改名記録と一致しないため､ファイル名を元に戻せません：");
inline const QString InterruptedHint
    = QStringLiteral("前回の改名が中断されています。「ファイル名の復元」で元に戻せます");
inline const QString RestoreDoneNotSynced
    = QStringLiteral("ファイル名を元に戻しましたが、ディスクに書き込まれたか確かめられません：");

// Delete history.
inline const QString AskDeleteHistory
    = QStringLiteral("履歴を削除すると復帰出来なくなります。よろしいですか");
inline const QString DeleteBadName = QStringLiteral("使えないファイル名ですから削除出来ません：");
inline const QString DeleteInterrupted = QStringLiteral(
    "前回の改名が中断されていますから削除出来ません。「ファイル名の復元」で元に戻して下さい");
inline const QString DeleteDoneNotSynced
    = QStringLiteral("改名履歴を削除しましたが、ディスクに書き込まれたか確かめられません：");

// Printing and the read-me window.
inline const QString NothingToPrint = QStringLiteral("印刷対象ファイルがありません");
inline const QString PrintAborted = QStringLiteral("印刷処理を中断します");
inline const QString PrinterWarning
    = QStringLiteral("プリンターの機種によっては、プログラムがダウンすることが有ります。");
inline const QString ReportTitle = QStringLiteral("Kelvaro 作業ファイルリスト");
inline const QString ReportNotRenamed = QStringLiteral("改名せず");
inline const QString ReportSummaryTail = QStringLiteral(" ファイルの作業をしようとしています。");
inline const QString ReportSummaryHead = QStringLiteral("以上");
inline const QString ReadmeCaption = QStringLiteral("お読み下さい");
inline const QString ReadmePrintButton = QStringLiteral("印刷");
inline const QString ReadmeCloseButton = QStringLiteral("閉じる");

// The command line (kelvaro-cli). Its refusals and failures use the texts above; these are its
// own: questions are answered on the terminal, and its help is in Japanese and English.
inline const QString CliFolderNotOpened = QStringLiteral("フォルダーを開けません：");
inline const QString CliInterruptedHint
    = QStringLiteral("前回の改名が中断されています。kelvaro-cli restore で元に戻せます");
inline const QString CliDeleteInterrupted = QStringLiteral(
    "前回の改名が中断されていますから削除出来ません。kelvaro-cli restore で元に戻して下さい");
inline const QString CliHistoryBadName
    = QStringLiteral("使えないファイル名ですから履歴を読めません：");
inline const QString CliFolderNotWritable
    = QStringLiteral("フォルダーに書き込めませんから処理出来ません：");
inline const QString CliFolderNotReadable
    = QStringLiteral("フォルダーを読めませんから処理出来ません：");
inline const QString CliOutputFailed = QStringLiteral("標準出力に書き込めませんでした");
inline const QString CliYesNo = QStringLiteral(" [y/N] ");
// The mark of a dry run's lines on standard output: "would rename a.jpg → p0001.jpg". Output
// lines are data for scripts and stay the same in every locale.
inline QString cliWould(const QString &verb)
{
    return QStringLiteral("would ") + verb + u' ';
}
inline const QString CliHelp = QStringLiteral(
    "Kelvaro のコマンド版。フォルダー内の同じ種類のファイルを、頭＋4桁の連番＋元の拡張子部分の\n"
    "名前に一度に改名し、その改名を元に戻します。改名履歴は窓の Kelvaro と同じなので、\n"
    "どちらで改名しても、どちらでも元に戻せます。\n"
    "The command-line companion of Kelvaro: gives every file of one type in a folder a prefix, a\n"
    "four-digit running number and its own extension part, and undoes such renames. It keeps\n"
    "the same rename history as the window, so a batch renamed in one can be undone in the other.\n"
    "\n"
    "コマンド / Commands:\n"
    "  rename FOLDER -t TYPE -p PREFIX -s START [--order ORDER] [--pairs] [--dry-run]\n"
    "      改名し、改名したもの（元の名前 → 新しい名前）を標準出力に書きます。\n"
    "      renames the batch; prints the renames done (old → new) on standard output\n"
    "      --order: 番号の順 / the order of the numbers\n"
    "        name      名前順（既定）/ by name, without regard to case (default)\n"
    "        natural   数字は数の大きさ順 / digits compare as numbers (photo2 before photo10)\n"
    "        taken     撮影日時順（無ければ更新日時）/ by date taken (else date modified)\n"
    "        modified  更新日時順 / by date modified\n"
    "      --pairs: 拡張子だけ違うファイルに同じ番号 / one number for files that differ only\n"
    "        after their first \".\" (a photo and its sidecars)\n"
    "  restore FOLDER -t TYPE [--steps N | --all] [--dry-run]\n"
    "      新しい改名から元に戻します（既定は 1 回分）。\n"
    "      undoes recorded renames, newest first (one by default)\n"
    "  history FOLDER -t TYPE\n"
    "      記録された改名を表示します（番号、時刻、ファイル数、最初と最後の名前）。\n"
    "      lists the recorded renames (number, time, file count, first and last names)\n"
    "  delete-history FOLDER -t TYPE [--dry-run]\n"
    "      改名履歴を削除します（その後は元に戻せません）。\n"
    "      deletes the rename history (the renames can no longer be undone)\n"
    "\n"
    "--dry-run では何も変えず、各行を \"would rename\" などで始めます。\n"
    "With --dry-run nothing is changed and each line starts with \"would rename\" and the like.\n"
    "\n"
    "終了状態 / Exit status:\n"
    "  0  成功 / done\n"
    "  1  拒否、何も変更していません / refused, nothing changed\n"
    "  2  使い方の誤り / bad usage\n"
    "  3  失敗、すべて元に戻しました / failed, everything put back\n"
    "  4  失敗、元に戻せなかったファイルがあります / failed, some files not put back\n"
    "  5  質問に「いいえ」と答えました / answered no to a question\n"
    "  6  完了、ただしディスクへの書き込みを確認できません / done, but not confirmed on disk\n"
    "  7  一部の改名だけを元に戻しました / restore: some recorded renames undone, then stopped\n"
    "  8  完了、ただし標準出力に書き込めません / done, but standard output could not be written\n"
    "\n"
    "メッセージは日本語のロケールでは日本語、それ以外では英語です。\n"
    "Messages are in Japanese under a Japanese locale, in English under any other.\n"
    "名前の制御文字は \\t \\x1b \\\\ のように表示します。\n"
    "Control characters in names are shown escaped: \\t \\x1b \\\\.");
inline const QString CliFolderArgument = QStringLiteral("対象のフォルダー / the folder");
inline const QString CliTypeOption
    = QStringLiteral("ファイルの種類（例 '*.jpg'）/ the file type, such as '*.jpg'");
inline const QString CliPrefixOption
    = QStringLiteral("rename: 新しい名前の頭 / the prefix of the new names");
inline const QString CliStartOption = QStringLiteral("rename: 開始番号 / the start number");
inline const QString CliDryRunOption
    = QStringLiteral("何も変えず、することを表示する / print what would be done, change nothing");
inline const QString CliQuietOption
    = QStringLiteral("メッセージ以外は何も表示しない / print nothing but messages");
inline const QString CliOrderOption
    = QStringLiteral("rename: 番号の順 name・natural・taken・modified / the order of the numbers");
inline const QString CliPairsOption = QStringLiteral(
    "rename: 拡張子だけ違うファイルに同じ番号 / one number for a photo and its sidecars");
inline const QString CliStepsOption
    = QStringLiteral("restore: 元に戻す改名の数（既定 1）/ how many renames to undo (default 1)");
inline const QString CliAllOption
    = QStringLiteral("restore: 記録された改名をすべて / every recorded rename");
inline const QString CliInteractiveOption
    = QStringLiteral("変更の前に確認する / ask before every change");
inline const QString CliHelpOption = QStringLiteral("この説明 / this help");
inline const QString CliVersionOption = QStringLiteral("版 / the version");
inline const QString CliSeeHelp = QStringLiteral("使い方 / usage: kelvaro-cli --help");
inline const QString CliUsageArguments = QStringLiteral(
    "コマンドとフォルダーを一つずつ指定して下さい / give one command and one folder");
inline const QString CliUsageCommand = QStringLiteral("知らないコマンドです / unknown command: ");
inline const QString CliUsageStepsAndAll
    = QStringLiteral("--steps と --all は一緒に使えません / --steps and --all exclude each other");
inline QString cliUsageMissing(const QString &option)
{
    return option + QStringLiteral(" を指定して下さい / ") + option
        + QStringLiteral(" is required");
}
inline QString cliUsageNotANumber(const QString &option)
{
    return option + QStringLiteral(" には整数を指定して下さい / ") + option
        + QStringLiteral(" takes a whole number");
}
inline QString cliUsageBadOrder(const QString &order)
{
    return QStringLiteral("--order は name・natural・taken・modified のどれかです / --order takes "
                          "name, natural, taken or modified: ")
        + order;
}
inline QString cliUsageNotFor(const QString &option, const QString &command)
{
    return option + QStringLiteral(" は ") + command + QStringLiteral(" だけに使えます / ") + option
        + QStringLiteral(" is for ") + command + QStringLiteral(" only");
}
inline QString cliUsageNotUtf8(const QString &option)
{
    return option + QStringLiteral(" の値が UTF-8 ではありません / ") + option
        + QStringLiteral(" is not UTF-8");
}

// kelvaro-cli's messages for a terminal whose locale is not Japanese. The window always shows
// the Japanese texts above; the command line shows the English text of every message that
// begins with one of them, names and reasons after it as they are.
namespace en {
inline const QString CliInterruptedHint
    = QStringLiteral("an earlier rename was interrupted; kelvaro-cli restore puts the files back");
inline QString tooManyFiles(int maxFiles)
{
    return QStringLiteral("more than %1 files: too many for one batch").arg(maxFiles);
}
inline QString askUndoStep(int r)
{
    return QStringLiteral("undo recorded rename %1?").arg(r);
}
inline QString notUtf8LeftOut(int count)
{
    return QStringLiteral("%1 file(s) left out of the batch: their names are not UTF-8").arg(count);
}
} // namespace en

inline const QList<std::pair<QString, QString>> CliEnglish = {
    { ChooseExtension, QStringLiteral("choose one file type (\"*.*\" is every file)") },
    { NoFiles, QStringLiteral("no files of that type in the folder") },
    { PrefixTooWide,
      QStringLiteral("the prefix may be at most 250 half-width or 125 full-width characters") },
    { NumberNotAllowed, QStringLiteral("that start number is not allowed") },
    { ReadingTakenDates, QStringLiteral("reading the dates taken") },
    { ReadingModifiedDates, QStringLiteral("reading the dates modified") },
    { NoNewNames, QStringLiteral("no files to rename") },
    { ListsDiffer, QStringLiteral("the file lists do not fit together") },
    { AskRename, QStringLiteral("rename the files?") },
    { RenameMissingFile, QStringLiteral("file not found, nothing renamed: ") },
    { RenameNameTaken, QStringLiteral("name already taken, nothing renamed: ") },
    { RenameBadName, QStringLiteral("name that cannot be used, nothing renamed: ") },
    { RenameTooManyChanges,
      QStringLiteral("too many recorded renames, nothing renamed (delete the history)") },
    { RenameFaultyHistory, QStringLiteral("faulty rename history, nothing renamed: ") },
    { RenameHistoryWriteFailed,
      QStringLiteral("cannot write the rename history, nothing renamed: ") },
    { RenameFailedRolledBack, QStringLiteral("a rename failed; everything was put back: ") },
    { RenameFailed, QStringLiteral("a rename failed: ") },
    { RenameNotRolledBack,
      QStringLiteral("these files could not be given back their names (old name → name now):") },
    { HistoryNotRestored, QStringLiteral("the rename history could not be put back: ") },
    { AskRestore, QStringLiteral("restore the names?") },
    { TooManyChanges, QStringLiteral("too many recorded renames: cannot restore") },
    { NoHistory, QStringLiteral("no recorded renames: nothing to restore") },
    { FaultyHistory, QStringLiteral("the rename history is faulty: cannot restore") },
    { RestoreMissingFile, QStringLiteral("file not found, nothing restored: ") },
    { RestoreNameTaken, QStringLiteral("name already taken, nothing restored: ") },
    { RestoreBadName, QStringLiteral("name that cannot be used, nothing restored: ") },
    { RestoreFailedRolledBack, QStringLiteral("a restore failed; everything was put back: ") },
    { HistoryNotDeleted, QStringLiteral("the rename history could not be deleted: ") },
    { RestoreFailed, QStringLiteral("a restore failed: ") },
    { RecoveryMismatch,
      QStringLiteral("the files do not match the rename history: cannot restore: ") },
    { InterruptedHint, en::CliInterruptedHint },
    { AskDeleteHistory,
      QStringLiteral("after deleting the history the renames cannot be undone; go on?") },
    { DeleteBadName, QStringLiteral("name that cannot be used, nothing deleted: ") },
    { CliFolderNotOpened, QStringLiteral("cannot open the folder: ") },
    { CliInterruptedHint, en::CliInterruptedHint },
    { CliHistoryBadName, QStringLiteral("name that cannot be used, no history read: ") },
    { CliFolderNotWritable, QStringLiteral("cannot write in the folder, nothing changed: ") },
    { CliFolderNotReadable, QStringLiteral("cannot read the folder, nothing changed: ") },
    { CliOutputFailed, QStringLiteral("could not write to standard output") },
    { StatusRenaming, QStringLiteral("renaming (do not switch off)") },
    { StatusRestoring, QStringLiteral("restoring (do not switch off)") },
    { RenameDoneNotSynced,
      QStringLiteral("renamed, but the system could not confirm it reached the disk: ") },
    { HistoryKeptUnconfirmed,
      QStringLiteral("the disk could not confirm it, so the rename history was kept "
                     "(kelvaro-cli restore clears it): ") },
    { SecondNamesKept,
      QStringLiteral("these names may be second names of one file, so they and the rename "
                     "history were kept; check and remove them, then restore again "
                     "(name → the file it seems to be):") },
    { RestoreDoneNotSynced,
      QStringLiteral("names restored, but the system could not confirm it reached the disk: ") },
    { CliDeleteInterrupted,
      QStringLiteral("an earlier rename was interrupted, nothing deleted: kelvaro-cli restore "
                     "puts the files back") },
    { DeleteDoneNotSynced,
      QStringLiteral("history deleted, but the system could not confirm it reached the disk: ") },
};

} // namespace msg
