#include "message/SClock.h"
#include "widgets/PSpinBoxDelegate.h"
#include "widgets/RCalendarWidget.h"
#include "widgets/RDateEdit.h"
#include "widgets/RespondButtonClicked.h"
#include "widgets/SFilterEdit.h"
#include "widgets/SIconButton.h"

#include <QLineEdit>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QStyleOptionViewItem>
#include <QtTest>
#include <memory>

namespace {

QDateTime Morning()
{
    return QDateTime(QDate(2026, 3, 1), QTime(8, 0));
}

} // namespace

class TestCustomWidgets : public QObject
{
    Q_OBJECT

private slots:
    void filterReportsEachChangeOnce()
    {
        SFilterEdit edit;
        QSignalSpy spy(&edit, &SFilterEdit::FilterChanged);
        edit.setText(QStringLiteral("Al"));
        edit.setText(QStringLiteral("Al"));
        QTest::keyClicks(&edit, QStringLiteral("a"));
        QTest::sendKeyEvent(
            QTest::Click, &edit, Qt::Key_unknown, QStringLiteral("µ"), Qt::NoModifier);
        QCOMPARE(spy.count(), 3);
        QCOMPARE(spy.at(2).at(0).toString(), QStringLiteral("Alaµ"));

        // The clear button empties the field and that is one more change.
        edit.button(SStyleEdit::Right)->click();
        QCOMPARE(edit.text(), QString());
        QCOMPARE(spy.count(), 4);
        QCOMPARE(spy.at(3).at(0).toString(), QString());
    }

    void popupPosition_data()
    {
        QTest::addColumn<QRect>("edit");
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QPoint>("expected");
        const QRect full(0, 0, 1920, 1017);
        // Pop-up is 300 x 200 throughout.
        QTest::newRow("room below") << QRect(100, 100, 120, 24) << full << QPoint(100, 124);
        QTest::newRow("bottom edge: above the edit")
            << QRect(100, 900, 120, 24) << full << QPoint(100, 700);
        QTest::newRow("right edge: flush")
            << QRect(1800, 100, 120, 24) << full << QPoint(1620, 124);
        QTest::newRow("second monitor to the right")
            << QRect(3700, 1000, 120, 24) << QRect(1920, 0, 1920, 1040) << QPoint(3540, 800);
        QTest::newRow("monitor above the primary")
            << QRect(10, -1070, 120, 24) << QRect(0, -1080, 1920, 1040) << QPoint(10, -1046);
    }

    void popupPosition()
    {
        QFETCH(QRect, edit);
        QFETCH(QRect, screen);
        QFETCH(QPoint, expected);
        QCOMPARE(RDateEdit::PopupPosition(edit, QSize(300, 200), screen), expected);
    }

    // Chinese reads "2026年12月", not the toolkit's month-then-year "十二月 2026";
    // the order and the units stay through page turns and back in English.
    void calendarHeadingFollowsLocale()
    {
        SManualClock clock(Morning());
        RCalendarWidget calendar(nullptr, &clock);
        calendar.setCurrentPage(2026, 12);
        QCOMPARE(calendar.HeadingText(), QStringLiteral("December 2026"));
        calendar.setLocale(QLocale(QLocale::Chinese, QLocale::China));
        QCOMPARE(calendar.HeadingText(), QStringLiteral("2026年 12月"));
        calendar.showNextMonth();
        QCOMPARE(calendar.HeadingText(), QStringLiteral("2027年 1月"));
        calendar.setLocale(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(calendar.HeadingText(), QStringLiteral("January 2027"));
    }

    void spinBoxDelegateRoundTrip()
    {
        QStandardItemModel model(1, 1);
        const QModelIndex cell = model.index(0, 0);
        model.setData(cell, 4, Qt::EditRole);
        QWidget parent;
        PSpinBoxDelegate delegate(-5, 10);
        std::unique_ptr<QWidget> pEditor(
            delegate.createEditor(&parent, QStyleOptionViewItem(), cell));
        QSpinBox* pSpin = qobject_cast<QSpinBox*>(pEditor.get());
        QVERIFY(pSpin);
        delegate.setEditorData(pSpin, cell);
        QCOMPARE(pSpin->value(), 4);

        // Typed but never confirmed with Enter: still written back.
        QLineEdit* pText = pSpin->findChild<QLineEdit*>();
        QVERIFY(pText);
        pText->setText(QStringLiteral("-3"));
        delegate.setModelData(pSpin, &model, cell);
        QCOMPARE(model.data(cell, Qt::EditRole).toInt(), -3);

        // A stored value outside the range cannot come back out of the editor.
        model.setData(cell, 42, Qt::EditRole);
        delegate.setEditorData(pSpin, cell);
        delegate.setModelData(pSpin, &model, cell);
        QCOMPARE(model.data(cell, Qt::EditRole).toInt(), 10);
    }

    // A button ignores a press within 300 ms of the last one.
    void interval_data()
    {
        QTest::addColumn<QList<int>>("pauses"); // ms before each press
        QTest::addColumn<QString>("taken"); // '+' taken, '-' refused
        // Counted from the button's creation, and inclusive: 299 ms is refused, 300 ms passes.
        QTest::newRow("from creation, inclusive") << QList<int> {299, 300, 300} << "-++";
        // Refused presses restart it too: hammering every 200 ms gets nothing until a pause.
        QTest::newRow("refusals restart it")
            << QList<int> {1000, 200, 200, 200, 200, 200, 300} << "+-----+";
    }

    void interval()
    {
        QFETCH(QList<int>, pauses);
        SManualClock clock(Morning());
        RespondButtonClicked respond(300, &clock);
        QString strTaken;
        for (int nPauseMs : pauses) {
            clock.Advance(nPauseMs);
            strTaken += respond.CheckInterval() ? '+' : '-';
        }
        QTEST(strTaken, "taken");
    }
};

QTEST_MAIN(TestCustomWidgets)
#include "tst_customwidgets.moc"
