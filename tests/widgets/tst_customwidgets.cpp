#include "message/SClock.h"
#include "widgets/PSpinBoxDelegate.h"
#include "widgets/RCalendarWidget.h"
#include "widgets/RDateEdit.h"
#include "widgets/RespondButtonClicked.h"
#include "widgets/SFilterEdit.h"
#include "widgets/SIconButton.h"
#include "widgets/SMessageLine.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QStyleOptionViewItem>
#include <QToolButton>
#include <QtTest>
#include <memory>

namespace {

QDateTime Morning()
{
    return QDateTime(QDate(2026, 3, 1), QTime(8, 0));
}

// The widest run of blank columns between the first and the last column
// that holds a pixel other than the ground.
int WidestGap(const QImage& image, const QColor& ground)
{
    int nWidest = 0;
    int nLastInk = -1;
    for (int x = 0; x < image.width(); ++x) {
        bool bInk = false;
        for (int y = 0; y < image.height() && !bInk; ++y) {
            const QColor c = image.pixelColor(x, y);
            bInk = qAbs(c.red() - ground.red()) + qAbs(c.green() - ground.green())
                    + qAbs(c.blue() - ground.blue())
                > 60;
        }
        if (!bInk)
            continue;
        if (nLastInk >= 0)
            nWidest = qMax(nWidest, x - nLastInk - 1);
        nLastInk = x;
    }
    return nWidest;
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
        QCOMPARE(calendar.HeadingText(), QStringLiteral("2026年12月"));
        calendar.showNextMonth();
        QCOMPARE(calendar.HeadingText(), QStringLiteral("2027年1月"));
        calendar.setLocale(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(calendar.HeadingText(), QStringLiteral("January 2027"));
    }

    // The year and the month stand in two buttons; on screen the Chinese
    // heading reads as one text, no wider a gap than the text drawn whole.
    void calendarHeadingHasNoGapInChinese_data()
    {
        QTest::addColumn<QString>("family");
        QTest::newRow("default font") << QString();
        // The program's serif font, whose digits stand beside fallback CJK glyphs.
        QTest::newRow("Times New Roman") << QStringLiteral("Times New Roman");
    }
    void calendarHeadingHasNoGapInChinese()
    {
        QFETCH(QString, family);
        SManualClock clock(Morning());
        RCalendarWidget calendar(nullptr, &clock);
        if (!family.isEmpty())
            calendar.setFont(QFont(family));
        calendar.setLocale(QLocale(QLocale::Chinese, QLocale::China));
        calendar.resize(420, 300);
        calendar.setCurrentPage(2026, 12);
        calendar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&calendar));
        auto* pYear = calendar.findChild<QToolButton*>(QStringLiteral("qt_calendar_yearbutton"));
        auto* pMonth = calendar.findChild<QToolButton*>(QStringLiteral("qt_calendar_monthbutton"));
        QVERIFY(pYear && pMonth);
        const QRect span = pYear->geometry().united(pMonth->geometry());
        const QImage bar = pYear->parentWidget()->grab(span).toImage();

        QImage whole(bar.size(), QImage::Format_RGB32);
        whole.fill(Qt::black);
        {
            QPainter painter(&whole);
            painter.setFont(pYear->font());
            painter.setPen(Qt::white);
            painter.drawText(whole.rect(), Qt::AlignCenter, QStringLiteral("2026年12月"));
        }
        const int nShown = WidestGap(bar, bar.pixelColor(0, 0));
        const int nWhole = WidestGap(whole, Qt::black);
        QVERIFY2(nWhole > 0 && nShown <= nWhole + 1,
            qPrintable(QStringLiteral("%1 px apart, %2 px in one text").arg(nShown).arg(nWhole)));
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

    // A message line never widens its window, whatever it says, and keeps
    // a message through the user's clicks until its shortest time is up,
    // then clears at the next click.
    void messageLineKeepsWindowAndMessage()
    {
        QWidget window;
        auto* pLayout = new QHBoxLayout(&window);
        auto* pLine = new SMessageLine(&window);
        auto* pButton = new QPushButton(QStringLiteral("OK"), &window);
        pLayout->addWidget(pLine, 1);
        pLayout->addWidget(pButton);
        window.resize(400, 60);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QString strLong = QStringLiteral("refused: ") + QString(2000, 'x');
        pLine->ShowMessage(strLong);
        QCoreApplication::processEvents();
        QCOMPARE(window.size(), QSize(400, 60));
        QVERIFY(pLine->text().size() < 200);
        QCOMPARE(pLine->toolTip(), strLong);
        QCOMPARE(pLine->Message(), strLong);

        QTest::mouseClick(pButton, Qt::LeftButton);
        QCoreApplication::processEvents();
        QCOMPARE(pLine->Message(), strLong);
        pLine->Expire();
        QCOMPARE(pLine->Message(), strLong);
        QTest::mouseClick(pButton, Qt::LeftButton);
        QCoreApplication::processEvents();
        QVERIFY(pLine->Message().isEmpty());
    }
};

QTEST_MAIN(TestCustomWidgets)
#include "tst_customwidgets.moc"
