#include "side_by_side_lists.h"

#include <QApplication>
#include <QHelpEvent>
#include <QListWidget>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QToolTip>

#include <utility>

namespace {

// Gives every row of the lists it serves one height and no width of its own, and shows a name
// that its row cuts off whole in a tooltip.
class RowDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const override
    {
        if (m_height == 0) {
            QStyleOptionViewItem probe = option;
            probe.text = QStringLiteral("漢かカAg");
            probe.features |= QStyleOptionViewItem::HasDisplay;
            const QStyle *style = probe.widget ? probe.widget->style() : QApplication::style();
            m_height
                = style->sizeFromContents(QStyle::CT_ItemViewItem, &probe, QSize(), probe.widget)
                      .height();
        }
        // A list makes each row as wide as the wider of its size hint and the list itself, so
        // with no width here every row is as wide as the list and a longer name is cut off.
        return { 0, m_height };
    }

    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override
    {
        if (event->type() != QEvent::ToolTip || !index.isValid())
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        if (isCutOff(item))
            QToolTip::showText(event->globalPos(), item.text, view->viewport(), option.rect);
        else
            QToolTip::hideText();
        return true;
    }

private:
    // Whether the style cuts the row's text off: it draws the text inside the text rectangle
    // less a margin on each side, and cuts off what is wider.
    static bool isCutOff(const QStyleOptionViewItem &item)
    {
        const QWidget *widget = item.widget;
        const QStyle *style = widget ? widget->style() : QApplication::style();
        const QRect text = style->subElementRect(QStyle::SE_ItemViewItemText, &item, widget);
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
        return QFontMetricsF(item.font).horizontalAdvance(item.text) > text.width() - 2 * margin;
    }

    mutable int m_height = 0;
};

} // namespace

SideBySideLists::SideBySideLists(QListWidget *left, QListWidget *right, QObject *parent)
    : QObject(parent)
    , m_left(left)
    , m_right(right)
{
    auto *rows = new RowDelegate(this);
    for (QListWidget *list : { left, right }) {
        list->setItemDelegate(rows);
        list->setUniformItemSizes(true);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setTextElideMode(Qt::ElideMiddle);
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    for (const auto &[from, to] : { std::pair(left, right), std::pair(right, left) }) {
        const QScrollBar *bar = from->verticalScrollBar();
        connect(bar, &QScrollBar::valueChanged, this, [this, from, to] { follow(from, to); });
        connect(from, &QListWidget::currentRowChanged, this,
                [this, from, to] { follow(from, to); });
        // Rows added or taken away: the list that changed takes the other's position. A range
        // that shrinks pulls the value in only after rangeChanged, so a list emptied never
        // drags the other to its top.
        connect(bar, &QScrollBar::rangeChanged, this, [this, from, to] { follow(to, from); });
        connect(from->model(), &QAbstractItemModel::rowsInserted, this,
                [this, from, to] { follow(to, from); });
    }
}

void SideBySideLists::showFromTop()
{
    m_left->scrollToTop();
    m_right->scrollToTop();
}

void SideBySideLists::follow(QListWidget *from, QListWidget *to)
{
    if (m_following)
        return;
    m_following = true;
    // A list emptied (a preview thrown away) leaves the other's chosen row as it is.
    const int row = from->currentRow();
    if (row >= 0 && row < to->count() && to->currentRow() != row)
        to->setCurrentRow(row);
    to->verticalScrollBar()->setValue(from->verticalScrollBar()->value());
    m_following = false;
}
