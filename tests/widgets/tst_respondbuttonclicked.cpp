#include "message/SClock.h"
#include "widgets/RespondButtonClicked.h"

#include <QtTest>

class TestRespondButtonClicked : public QObject
{
    Q_OBJECT
private slots:
    // A press right after the button appears is refused, and the interval is
    // inclusive: exactly 300 ms later passes, 299 ms does not.
    void intervalCountsFromCreationAndIsInclusive()
    {
        SManualClock clock(QDateTime(QDate(2026, 3, 1), QTime(8, 0)));
        RespondButtonClicked respond(300, &clock);
        clock.Advance(299);
        QVERIFY(!respond.CheckInterval());
        clock.Advance(300);
        QVERIFY(respond.CheckInterval());
        clock.Advance(300);
        QVERIFY(respond.CheckInterval());
    }

    // Refused queries restart the interval too: a user hammering the button
    // every 200 ms gets nothing until a pause.
    void refusedQueriesRestartTheInterval()
    {
        SManualClock clock(QDateTime(QDate(2026, 3, 1), QTime(8, 0)));
        RespondButtonClicked respond(300, &clock);
        clock.Advance(1000);
        QVERIFY(respond.CheckInterval());
        for (int i = 0; i < 5; ++i) {
            clock.Advance(200);
            QVERIFY2(!respond.CheckInterval(), qPrintable(QString::number(i)));
        }
        clock.Advance(300);
        QVERIFY(respond.CheckInterval());
    }
};

QTEST_APPLESS_MAIN(TestRespondButtonClicked)
#include "tst_respondbuttonclicked.moc"
