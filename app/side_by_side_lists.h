// The target list and the new-name list of the main window stand side by side, and row i of
// the one belongs to row i of the other: a file and the name it is to receive. SideBySideLists
// keeps them that way whatever the user does in either list:
//   - every row of both lists has one height, the natural height of a row of kanji, kana and
//     Latin letters (left alone, a row is as tall as the tallest fallback face its characters
//     need, an emoji or half-width kana, and the lists would drift apart row by row);
//   - neither list scrolls sideways: a name wider than its list is shown cut off in the middle
//     ("IMG_2023…0001.jpg", its extension part kept in sight), and whole in a tooltip, so that
//     a horizontal scroll bar in one list only never makes its rows fewer than the other's;
//   - scrolling either list (wheel, keys, scroll bar) scrolls the other to the same row, a row
//     chosen in either list is chosen in the other, and a list whose rows change takes the
//     position of the other, so that a preview built on a scrolled target list faces it.
#pragma once

#include <QObject>

class QListWidget;

class SideBySideLists : public QObject
{
    Q_OBJECT

public:
    // `parent` owns the pairing; the lists stay the caller's.
    SideBySideLists(QListWidget *left, QListWidget *right, QObject *parent);

    // Shows row 0 of both lists at the top, as after every new listing.
    void showFromTop();

private:
    void follow(QListWidget *from, QListWidget *to);

    QListWidget *m_left;
    QListWidget *m_right;
    bool m_following = false; // one list is being moved after the other
};
