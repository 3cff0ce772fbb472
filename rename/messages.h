// Every text that Kelvaro shows to its user, in one place, so that the code and the tests
// use the same strings and a reviewer can read them side by side. Blanks and full-width
// characters are part of the texts: "改  名" has two half-width blanks, several status
// texts end in one half-width blank, and the progress pieces use ideographic spaces (U+3000).
#pragma once

#include <QString>

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

// Delete history.
inline const QString AskDeleteHistory
    = QStringLiteral("履歴を削除すると復帰出来なくなります。よろしいですか");
inline const QString DeleteBadName = QStringLiteral("使えないファイル名ですから削除出来ません：");

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

} // namespace msg
