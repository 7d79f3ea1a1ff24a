#include "algor/RMinuteReduction.h"

#include <QtTest>

#include <vector>

Q_DECLARE_METATYPE(std::vector<float>)

namespace {

using Slots = std::vector<float>;

// Slot index -> value, the rest 0.
Slots minute(std::initializer_list<std::pair<int, float>> values)
{
    Slots slotValues(RMinuteReduction::SlotCount, 0.0f);
    for (const auto& value : values)
        slotValues[value.first] = value.second;
    return slotValues;
}

} // namespace

class TestRMinuteReduction : public QObject
{
    Q_OBJECT

private slots:
    void reduce_data()
    {
        QTest::addColumn<Slots>("slotValues");
        QTest::addColumn<float>("storedMax");
        QTest::addColumn<double>("minuteValue");
        QTest::addColumn<float>("dayMax");
        QTest::addColumn<bool>("newMax");
        QTest::addColumn<int>("maxOffset");
        QTest::addColumn<int>("spikeSlot");
        QTest::addColumn<float>("replacement");

        // Zeros are missing readings, not values: they must not dilute the mean.
        QTest::newRow("mean of non-zero values, scaled to 30 slots")
            << minute({{0, 0.1f}, {1, 0.2f}, {7, 0.15f}}) << 0.25f << 4.5 << 0.25f << false << 0
            << -1 << 0.0f;
        QTest::newRow("all zero keeps the maximum")
            << minute({}) << 0.2f << 0.0 << 0.2f << false << 0 << -1 << 0.0f;
        QTest::newRow("new maximum below the spike level")
            << minute({{4, 0.2f}, {9, 0.25f}}) << 0.1f << 6.75 << 0.25f << true << 18 << -1 << 0.0f;
        // The removed spike leaves the stored maximum and its time untouched.
        QTest::newRow("lone spike that is the only value")
            << minute({{12, 0.5f}}) << 0.1f << 0.0 << 0.1f << false << 0 << 12 << 0.0f;
        // The float nearest 0.3 is a little above 0.3 in double precision.
        QTest::newRow("0.3 as a float is above 0.3")
            << minute({{0, 0.3f}}) << 0.0f << 0.0 << 0.0f << false << 0 << 0 << 0.0f;
        QTest::newRow("lone spike among low values is replaced by their mean")
            << minute({{0, 0.1f}, {1, 0.1f}, {2, 0.5f}}) << 0.05f << 3.0 << 0.1f << true << 0 << 2
            << 0.1f;
        // The maximum falls back to a value reached earlier in the same minute,
        // and takes that value's time.
        QTest::newRow("spike after an earlier rise")
            << minute({{1, 0.2f}, {5, 0.5f}}) << 0.1f << 6.0 << 0.2f << true << 2 << 5 << 0.2f;
        // Not the day's maximum: a real reading on a day that saw worse, kept as it is.
        QTest::newRow("lone high value below the stored maximum")
            << minute({{3, 0.1f}, {6, 0.5f}}) << 1.0f << 9.0 << 1.0f << false << 0 << -1 << 0.0f;
        QTest::newRow("two values above the level are no spike")
            << minute({{3, 0.4f}, {6, 0.5f}}) << 0.1f << 13.5 << 0.5f << true << 12 << -1 << 0.0f;
    }

    void reduce()
    {
        QFETCH(Slots, slotValues);
        QFETCH(float, storedMax);
        const RMinuteReduction::Result result
            = RMinuteReduction::Reduce(slotValues.data(), storedMax);
        QTEST(result.nSpikeSlot, "spikeSlot");
        QTEST(result.bNewMax, "newMax");
        QFETCH(double, minuteValue);
        QVERIFY2(qAbs(result.dMinuteValue - minuteValue) < 1e-5,
            qPrintable(QString::number(result.dMinuteValue)));
        QTEST(result.fDayMax, "dayMax");
        if (result.bNewMax)
            QTEST(result.nMaxOffset, "maxOffset");
        QTEST(result.fSpikeReplacement, "replacement");
    }
};

QTEST_APPLESS_MAIN(TestRMinuteReduction)
#include "tst_rminutereduction.moc"
