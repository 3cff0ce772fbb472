// The Number menu: the order of the running numbers and the pairs option, kept between starts,
// and the target list put in that order when the folder is listed. The ordering is the
// engine's (rename/numbering_order.h); this file reads the menu, shows the reading of dates in
// the caption and lets Esc stop it.
#include "frm_voxa_r_1.h"

#include "messages.h"

#include <QActionGroup>
#include <QApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QSettings>

namespace {

const QString OrderKey = QStringLiteral("numbering/order");
const QString PairsKey = QStringLiteral("numbering/pairs");

std::unique_ptr<QSettings> settingsOf(const Services &services)
{
    if (services.settingsFile.isEmpty())
        return std::make_unique<QSettings>(QStringLiteral("Kelvaro"), QStringLiteral("Kelvaro"));
    return std::make_unique<QSettings>(services.settingsFile, QSettings::IniFormat);
}

// Holds the user's input back while dates are read, so that no handler starts in between (the
// reading lets the window paint and count), and takes Esc as the wish to stop. Closing the
// window waits too.
class InputHold : public QObject
{
public:
    InputHold() { qApp->installEventFilter(this); }
    ~InputHold() override { qApp->removeEventFilter(this); }
    bool stopWanted() const { return m_stop; }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape)
                m_stop = true;
            return true;
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
        case QEvent::Close:
            return true;
        default:
            return false;
        }
    }

private:
    bool m_stop = false;
};

} // namespace

void frmVOXA_R_1::createNumberMenu()
{
    auto radio
        = [&](QAction *&member, const char *name, const QString &caption, QActionGroup *group) {
              member = mnuNumber->addAction(caption);
              member->setObjectName(QLatin1String(name));
              member->setCheckable(true);
              group->addAction(member);
          };
    auto *orders = new QActionGroup(this);
    orders->setExclusive(true);
    radio(mnuOrderName, "mnuOrderName", msg::OrderByName, orders);
    radio(mnuOrderNatural, "mnuOrderNatural", msg::OrderNaturally, orders);
    radio(mnuOrderTaken, "mnuOrderTaken", msg::OrderByTaken, orders);
    radio(mnuOrderModified, "mnuOrderModified", msg::OrderByModified, orders);
    mnuNumber->addSeparator();
    mnuPairs = mnuNumber->addAction(msg::PairsOption);
    mnuPairs->setObjectName(QStringLiteral("mnuPairs"));
    mnuPairs->setCheckable(true);

    // The choice of the last start; the name order without pairs when there is none.
    const auto settings = settingsOf(services());
    const auto order = renaming::orderFromKeyword(settings->value(OrderKey).toString())
                           .value_or(renaming::NumberingOrder::Name);
    const std::pair<renaming::NumberingOrder, QAction *> items[]
        = { { renaming::NumberingOrder::Name, mnuOrderName },
            { renaming::NumberingOrder::Natural, mnuOrderNatural },
            { renaming::NumberingOrder::Taken, mnuOrderTaken },
            { renaming::NumberingOrder::Modified, mnuOrderModified } };
    for (const auto &[value, item] : items)
        item->setChecked(value == order);
    mnuPairs->setChecked(settings->value(PairsKey, false).toBool());
}

renaming::NumberingChoice frmVOXA_R_1::numberingChoice() const
{
    renaming::NumberingChoice choice;
    choice.order = mnuOrderNatural->isChecked() ? renaming::NumberingOrder::Natural
        : mnuOrderTaken->isChecked()            ? renaming::NumberingOrder::Taken
        : mnuOrderModified->isChecked()         ? renaming::NumberingOrder::Modified
                                                : renaming::NumberingOrder::Name;
    choice.pairs = mnuPairs->isChecked();
    return choice;
}

int frmVOXA_R_1::groupOf(int row) const
{
    return m_groups.size() == List1->count() ? m_groups[row] : row;
}

int frmVOXA_R_1::groupCount() const
{
    return m_groups.size() == List1->count() && !m_groups.isEmpty() ? m_groups.last() + 1
                                                                    : List1->count();
}

// Keeps the choice and lists the folder again in the new order; a target list not yet filled
// stays empty until the user chooses a folder or file type.
void frmVOXA_R_1::mnuNumber_Click()
{
    const renaming::NumberingChoice choice = numberingChoice();
    const auto settings = settingsOf(services());
    settings->setValue(OrderKey, renaming::orderKeyword(choice.order));
    settings->setValue(PairsKey, choice.pairs);
    LIST2_CLEAR();
    if (List1->count() > 0)
        Dir1_Change();
}

QStringList frmVOXA_R_1::numberedListing()
{
    m_groups.clear();
    renaming::NumberingChoice choice = numberingChoice();
    if (choice.isNameOrder())
        return File1.names();

    std::optional<renaming::NumberedTargets> targets;
    {
        const Running running(this);
        const InputHold hold;
        const QString caption = windowTitle();
        const bool taken = choice.order == renaming::NumberingOrder::Taken;
        targets = renaming::numberTargets(File1.path(), File1.names(), choice,
                                          [&](int done, int total) {
                                              setWindowTitle(msg::readingDates(taken, done, total));
                                              QCoreApplication::processEvents();
                                              return !hold.stopWanted();
                                          });
        setWindowTitle(caption);
    }
    if (!targets) {
        // Stopped: the name order from now on, so that the next listing does not read again.
        mnuOrderName->setChecked(true);
        choice.order = renaming::NumberingOrder::Name;
        const auto settings = settingsOf(services());
        settings->setValue(OrderKey, renaming::orderKeyword(choice.order));
        targets = renaming::arrangeTargets(File1.names(), choice);
    }
    m_groups = targets->groups;
    return targets->names;
}
