#include "TestDb.h"

#include "preset/PCategoryFilterModel.h"
#include "preset/PCategoryModel.h"
#include "preset/POptionPage.h"
#include "preset/RItemModelPresetPersonal.h"

#include <QStandardItemModel>
#include <QtTest>

namespace {

class Page final : public POptionPage
{
public:
    Page(int nCategory, const QString& strName, const QString& strKeywords = QString())
        : POptionPage(nCategory)
        , m_strName(strName)
    {
        m_strKeywords = strKeywords;
    }
    QString GetName() const override { return m_strName; }
    QWidget* CreateWidget(QWidget*) override { return nullptr; }
    int Apply() override { return Applied; }
    void Finish() override { }

private:
    QString m_strName;
};

QStringList rows(const QAbstractItemModel& model, int nColumn = 0)
{
    QStringList texts;
    for (int i = 0; i < model.rowCount(); ++i)
        texts << model.index(i, nColumn).data().toString();
    return texts;
}

} // namespace

class TestItemModels : public QObject
{
    Q_OBJECT

private slots:
    // One row per category in the order first registered, under the first
    // page's name; the later page of a category is the one opened. The
    // filter takes the name or the keywords of that page, in any case.
    void categories()
    {
        Page system(1, "System Settings");
        Page alarm(8, "Alarm Threshold Setting", "threshold dose");
        Page account(1, "Accounts");
        PCategoryModel model;
        PCategoryFilterModel filter;
        filter.setSourceModel(&model);
        QAbstractItemModelTester modelTester(
            &model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModelTester filterTester(
            &filter, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.SetPages({&system, &alarm, &account});
        QCOMPARE(rows(model), (QStringList {"System Settings", "Alarm Threshold Setting"}));
        QCOMPARE(model.Categories().at(0).pPage, &account);

        const auto shown = [&filter](const QString& strPattern) {
            filter.setFilterFixedString(strPattern);
            return rows(filter);
        };
        QCOMPARE(shown("ALARM"), QStringList {"Alarm Threshold Setting"});
        QCOMPARE(shown("Dose"), QStringList {"Alarm Threshold Setting"});
        QCOMPARE(shown("account"), QStringList {"System Settings"});
        QCOMPARE(shown("zz"), QStringList());
        QCOMPARE(shown(""), rows(model));
        model.SetPages({&alarm});
        QCOMPARE(rows(filter), QStringList {"Alarm Threshold Setting"});
    }

    // The staff list (or, in routing mode, the patrol dosimeters) in position
    // order up to Num; read-only: a save fails and says why.
    void staffList_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QStringList>("firstRow");
        QTest::newRow("staff") << 0 << "PersonalInfo" << QStringList {"Ann", "7", "1", "Operator"};
        QTest::newRow("routing") << int(RItemModelPresetPersonal::RoutingMode) << "RoutingInfo"
                                 << QStringList {"Ann", "7"};
    }
    void staffList()
    {
        QFETCH(int, mode);
        QFETCH(QString, table);
        QFETCH(QStringList, firstRow);
        TestDb::Open();
        PSqlExec::Exec(
            QStringLiteral("insert into %1(Sub, Id, Name, Position, Sex, Num) values "
                           "(2, 8, 'Bo', 'Guard', 0, 3), (1, 7, 'Ann', 'Operator', 1, 3), "
                           "(4, 9, 'Cy', 'Guard', 0, 3)")
                .arg(table));
        RItemModelPresetPersonal list(mode);
        QAbstractItemModelTester tester(
            list.Model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QStandardItemModel* pModel = list.Model();
        QCOMPARE(pModel->columnCount(), firstRow.size());
        QCOMPARE(rows(*pModel), (QStringList {"Ann", "Bo"}));
        QStringList first;
        for (int i = 0; i < pModel->columnCount(); ++i)
            first << pModel->item(0, i)->text();
        QCOMPARE(first, firstRow);
        QVERIFY(!list.IsModified());
        list.AddRow(5);
        QCOMPARE(pModel->item(2, 1)->data(Qt::EditRole).toInt(), 5);
        QVERIFY(list.IsModified());
        QCOMPARE(list.Save(), int(PItemModelPreset::Failed));
        QVERIFY(!list.LastError().isEmpty());
        list.LoadFromDatabase();
        QCOMPARE(pModel->rowCount(), 2);
    }
};

QTEST_MAIN(TestItemModels)
#include "tst_itemmodels.moc"
