#include "Kestal.h"
#include "RFormAbout.h"
#include "RFormStatus.h"
#include "SPresetObject.h"
#include "algor/PDoseThread.h"
#include "message/SMessage.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

class TestKestal : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void buildsTheTitleBarAndPages();
    void opensDatabaseAndPresetStore();
    void statusLinesFollowMessages();
    void commandResultTexts_data();
    void commandResultTexts();
    void commandResultStopsRequestTimer();
    void unhandledTypesAreAccepted();
    void swipeTurnsAndWraps();
    void exitAsksAndCancelKeepsWindow();
    void minuteTickReachesShownPage();

private:
    void swipe(int nFromX, int nToX, int nY = 60);
    Kestal* m_pWindow = nullptr;
    QTemporaryDir m_site;
    QString m_strOldDirectory;
};

// The window opens its database and preset files: keep them in a scratch site.
void TestKestal::initTestCase()
{
    QVERIFY(m_site.isValid());
    m_strOldDirectory = QDir::currentPath();
    QDir::setCurrent(m_site.path());
    SPresetObject::SetDirectories(m_site.filePath("factory"), m_site.filePath("local"));
}

void TestKestal::cleanupTestCase()
{
    QDir::setCurrent(m_strOldDirectory);
}

void TestKestal::init()
{
    m_pWindow = new Kestal;
    m_pWindow->show();
}

void TestKestal::cleanup()
{
    delete m_pWindow;
    m_pWindow = nullptr;
}

void TestKestal::buildsTheTitleBarAndPages()
{
    QCOMPARE(m_pWindow->windowTitle(), QStringLiteral("Orvane-Monitor"));
    for (const char* pName : {"m_pButtonRegion", "m_pButtonHistory", "m_pButtonSetting", "m_pButtonAbout"}) {
        auto* pButton = m_pWindow->findChild<QPushButton*>(QLatin1String(pName));
        QVERIFY2(pButton && pButton->isVisible(), pName);
        QVERIFY(pButton->minimumWidth() == 126 && pButton->minimumHeight() == 89);
    }
    QVERIFY(m_pWindow->findChild<QPushButton*>("m_pButtonPersonal")->isHidden());
    QVERIFY(m_pWindow->findChild<QPushButton*>("m_pButtonRouting")->isHidden());
    QCOMPARE(m_pWindow->findChild<QLabel*>("labelLogo")->size(), QSize(276, 57));
    QVERIFY(m_pWindow->findChild<QToolButton*>("m_pToolButton_Exit"));

    auto* pAbout = m_pWindow->findChild<RFormAbout*>();
    QVERIFY(pAbout);
    QCOMPARE(pAbout->Revision(), QStringLiteral("Revision:45"));

    m_pWindow->findChild<QPushButton*>("m_pButtonAbout")->click();
    QCOMPARE(m_pWindow->CurrentStackIndex(), 3);
    m_pWindow->findChild<QPushButton*>("m_pButtonHistory")->click();
    QCOMPARE(m_pWindow->CurrentStackIndex(), 1);
    QCOMPARE(m_pWindow->CurrentPageIndex(), 1);
}

void TestKestal::opensDatabaseAndPresetStore()
{
    QVERIFY(QFile::exists(m_site.filePath("DataBase.sqlite")));
    QCOMPARE(SendSMessage(1001, 1517, 21, 0), qintptr(8000));
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(SendSMessage(1001, 1517, 20, 0))),
             QByteArray("127.0.0.1"));
    for (int nId = 1512; nId <= 1519; ++nId)
        QCOMPARE(SendSMessage(1001, nId, 14, 0), qintptr(nId + 9191));

    // Shut-down takes the store away with the window.
    delete m_pWindow;
    m_pWindow = nullptr;
    SMessage::SetReply(-7);
    QCOMPARE(SendSMessage(1001, 1512, 14, 0), qintptr(-7));
}

void TestKestal::statusLinesFollowMessages()
{
    RFormStatus fresh;
    QCOMPARE(fresh.Message(), QStringLiteral("Message"));
    QCOMPARE(fresh.SecondMessage(), QStringLiteral("Message"));

    RFormStatus* pStatus = m_pWindow->FormStatus();

    static const char* const s_pText = "Connecting to the host...";
    SendSMessage(1000, 1016, reinterpret_cast<qintptr>(s_pText), 0);
    QCOMPARE(pStatus->Message(), QString::fromLatin1(s_pText));
    SendSMessage(1000, 1019, reinterpret_cast<qintptr>("Connected !"), 0);
    QCOMPARE(pStatus->SecondMessage(), QStringLiteral("Connected !"));
    SendSMessage(1000, 1018, 0, 0);
    QVERIFY(!pStatus->IsSecondLineShown());
    SendSMessage(1000, 1017, 0, 0);
    QVERIFY(pStatus->IsSecondLineShown());
}

void TestKestal::commandResultTexts_data()
{
    QTest::addColumn<qintptr>("a");
    QTest::addColumn<qintptr>("b");
    QTest::addColumn<QString>("text");
    QTest::newRow("success with value") << qintptr(1) << qintptr(25) << "Set successed25";
    QTest::newRow("success alone") << qintptr(1) << qintptr(0) << "Set successed";
    QTest::newRow("failure") << qintptr(2) << qintptr(9) << "Set failed";
    QTest::newRow("connected") << qintptr(3) << qintptr(0) << "connected!";
    QTest::newRow("unknown") << qintptr(4) << qintptr(1) << QString();
}

void TestKestal::commandResultTexts()
{
    QFETCH(qintptr, a);
    QFETCH(qintptr, b);
    QFETCH(QString, text);
    QSignalSpy spy(m_pWindow, &Kestal::CommandResult);
    SendSMessage(1000, 1028, a, b);
    QCOMPARE(spy.count(), text.isEmpty() ? 0 : 1);
    if (!text.isEmpty())
        QCOMPARE(spy.at(0).at(0).toString(), text);
}

void TestKestal::commandResultStopsRequestTimer()
{
    SendSMessage(1000, 1027, 0, 0);
    QVERIFY(m_pWindow->IsRequestTimerActive());
    SendSMessage(1000, 1028, 2, 0);
    QVERIFY(!m_pWindow->IsRequestTimerActive());
    SendSMessage(1000, 1027, 0, 0);
    m_pWindow->OnTimeout();
    QVERIFY(!m_pWindow->IsRequestTimerActive());
}

void TestKestal::unhandledTypesAreAccepted()
{
    const QString strStatus = m_pWindow->FormStatus()->Message();
    for (int nType : {1001, 1021, 1030, 1036, 1037, 1038}) {
        SMessage message(nType, 1, 2);
        QVERIFY(QCoreApplication::sendEvent(m_pWindow, &message));
    }
    QCOMPARE(m_pWindow->CurrentStackIndex(), 0);
    QCOMPARE(m_pWindow->FormStatus()->Message(), strStatus);
}

void TestKestal::swipe(int nFromX, int nToX, int nY)
{
    QTest::mousePress(m_pWindow, Qt::LeftButton, Qt::NoModifier, QPoint(nFromX, nY));
    QTest::mouseRelease(m_pWindow, Qt::LeftButton, Qt::NoModifier, QPoint(nToX, nY));
}

void TestKestal::swipeTurnsAndWraps()
{
    m_pWindow->resize(1280, 800);
    swipe(500, 400); // left: next page
    QCOMPARE(m_pWindow->CurrentPageIndex(), 1);
    QCOMPARE(m_pWindow->CurrentStackIndex(), 1);
    swipe(500, 450); // inside the dead square
    QCOMPARE(m_pWindow->CurrentPageIndex(), 1);
    swipe(400, 500); // right: previous page
    swipe(400, 500); // wraps to the last position
    QCOMPARE(m_pWindow->CurrentPageIndex(), 5);
    QCOMPARE(m_pWindow->CurrentStackIndex(), 0); // no page there: the last one stays

    m_pWindow->ShowAbout();
    swipe(500, 400);
    swipe(500, 400);
    QCOMPARE(m_pWindow->CurrentPageIndex(), 5);
    QCOMPARE(m_pWindow->CurrentStackIndex(), 3);
    swipe(500, 400);
    QCOMPARE(m_pWindow->CurrentPageIndex(), 0);
    QCOMPARE(m_pWindow->CurrentStackIndex(), 0);

    // Below the title area nothing turns.
    swipe(500, 300, 400);
    QCOMPARE(m_pWindow->CurrentPageIndex(), 0);
}

void TestKestal::exitAsksAndCancelKeepsWindow()
{
    int nAsked = 0;
    m_pWindow->SetExitConfirmation([&]() {
        ++nAsked;
        return false;
    });
    m_pWindow->findChild<QToolButton*>("m_pToolButton_Exit")->click();
    QCOMPARE(nAsked, 1);
    QVERIFY(m_pWindow->isVisible());
    QVERIFY(m_pWindow->DoseThread()->isRunning());

    m_pWindow->SetExitConfirmation([&]() {
        ++nAsked;
        return true;
    });
    m_pWindow->OnExit();
    QCOMPARE(nAsked, 2);
    QVERIFY(!m_pWindow->isVisible());
}

namespace {
// Counts the minute ticks that reach the object it watches.
class TickFilter : public QObject
{
public:
    int nTicks = 0;
    bool eventFilter(QObject*, QEvent* pEvent) override
    {
        if (pEvent->type() == QEvent::Type(1020))
            ++nTicks;
        return false;
    }
};
} // namespace

void TestKestal::minuteTickReachesShownPage()
{
    auto* pAbout = m_pWindow->findChild<RFormAbout*>();
    TickFilter filter;
    pAbout->installEventFilter(&filter);
    SendSMessage(1000, 1020, 0, 0);
    QCOMPARE(filter.nTicks, 0);
    m_pWindow->ShowAbout();
    SendSMessage(1000, 1020, 0, 0);
    QCOMPARE(filter.nTicks, 1);
}

QTEST_MAIN(TestKestal)
#include "tst_kestal.moc"
