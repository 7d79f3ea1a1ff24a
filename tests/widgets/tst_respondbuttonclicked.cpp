#include "message/SClock.h"
#include "widgets/RespondButtonClicked.h"

#include <QtTest>

class TestRespondButtonClicked : public QObject
{
    Q_OBJECT
private slots:
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
        SManualClock clock(QDateTime(QDate(2026, 3, 1), QTime(8, 0)));
        RespondButtonClicked respond(300, &clock);
        QString strTaken;
        for (int nPauseMs : pauses) {
            clock.Advance(nPauseMs);
            strTaken += respond.CheckInterval() ? '+' : '-';
        }
        QTEST(strTaken, "taken");
    }
};

QTEST_APPLESS_MAIN(TestRespondButtonClicked)
#include "tst_respondbuttonclicked.moc"
