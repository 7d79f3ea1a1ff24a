#include "TestDb.h"

#include "Kestal.h"
#include "PInstallPaths.h"
#include "RFormStatus.h"
#include "message/SClock.h"
#include "preset/RFormSetting.h"
#include "preset/SPresetObject.h"
#include "realtime/RFormRegion.h"

#include "FakePrompt.h"
#include "PSimDataServer.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QCalendarWidget>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTranslator>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

// One message of a .ts file: where it lives and what it says.
struct Message
{
    QString strContext;
    QString strSource;
    QString strTranslation;
    QString strType; // "unfinished", "vanished", "obsolete" or empty

    QString Key() const { return strContext + QStringLiteral(" | ") + strSource; }
};

QList<Message> readTs(const QString& strPath)
{
    QList<Message> messages;
    QFile file(strPath);
    if (!file.open(QIODevice::ReadOnly))
        return messages;
    QXmlStreamReader xml(&file);
    QString strContext;
    while (!xml.atEnd()) {
        if (!xml.readNextStartElement())
            continue;
        if (xml.name() == QLatin1String("name")) {
            strContext = xml.readElementText();
        } else if (xml.name() == QLatin1String("message")) {
            Message message;
            message.strContext = strContext;
            while (xml.readNextStartElement()) {
                if (xml.name() == QLatin1String("source")) {
                    message.strSource = xml.readElementText();
                } else if (xml.name() == QLatin1String("translation")) {
                    message.strType = xml.attributes().value(QLatin1String("type")).toString();
                    message.strTranslation
                        = xml.readElementText(QXmlStreamReader::IncludeChildElements);
                } else {
                    xml.skipCurrentElement();
                }
            }
            messages.append(message);
        }
    }
    return messages;
}

QStringList placeholders(const QString& strText)
{
    QStringList found;
    auto it = QRegularExpression(QStringLiteral("%\\d+")).globalMatch(strText);
    while (it.hasNext())
        found << it.next().captured();
    found.sort();
    return found;
}

QString pathOf(const QObject* pObject)
{
    QStringList parts;
    for (; pObject; pObject = pObject->parent()) {
        int nIndex = 0;
        if (pObject->parent()) {
            for (const QObject* pSibling : pObject->parent()->children()) {
                if (pSibling == pObject)
                    break;
                nIndex += pSibling->metaObject() == pObject->metaObject() ? 1 : 0;
            }
        }
        QString strPart = QLatin1String(pObject->metaObject()->className());
        if (!pObject->objectName().isEmpty())
            strPart += QLatin1Char('#') + pObject->objectName();
        parts.prepend(strPart + QStringLiteral("[%1]").arg(nIndex));
    }
    return parts.join(QLatin1Char('/'));
}

bool insideCompositeWidget(const QWidget* pWidget)
{
    // Calendars and spin boxes hold Qt's own texts (month names, numbers).
    for (const QWidget* p = pWidget->parentWidget(); p; p = p->parentWidget()) {
        if (qobject_cast<const QCalendarWidget*>(p) || qobject_cast<const QAbstractSpinBox*>(p))
            return true;
    }
    return false;
}

// Every text the window shows to an operator, by the widget that shows it.
QMap<QString, QString> shownTexts(QWidget* pWindow)
{
    QMap<QString, QString> texts;
    auto add = [&texts](const QObject* pOwner, const QString& strWhat, const QString& strText) {
        if (!strText.isEmpty())
            texts.insert(pathOf(pOwner) + QLatin1Char(':') + strWhat, strText);
    };
    add(pWindow, QStringLiteral("title"), pWindow->windowTitle());
    for (QWidget* pWidget : pWindow->findChildren<QWidget*>()) {
        if (insideCompositeWidget(pWidget) || qobject_cast<QMenu*>(pWidget))
            continue;
        add(pWidget, QStringLiteral("tip"), pWidget->toolTip());
        if (pWidget->isWindow())
            add(pWidget, QStringLiteral("title"), pWidget->windowTitle());
        if (auto* pLabel = qobject_cast<QLabel*>(pWidget))
            add(pWidget, QStringLiteral("text"), pLabel->text());
        else if (auto* pButton = qobject_cast<QAbstractButton*>(pWidget))
            add(pWidget, QStringLiteral("text"), pButton->text());
        else if (auto* pBox = qobject_cast<QGroupBox*>(pWidget))
            add(pWidget, QStringLiteral("title"), pBox->title());
        else if (auto* pEdit = qobject_cast<QLineEdit*>(pWidget))
            add(pWidget, QStringLiteral("placeholder"), pEdit->placeholderText());
        // Only the menus the widget offers count: a menu bar also makes an
        // overflow menu of its own as its width asks.
        int nMenu = 0;
        for (QMenu* pMenu : pWidget->findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (!pWidget->actions().contains(pMenu->menuAction()))
                continue;
            const QString strMenu = QStringLiteral("menu%1").arg(nMenu++);
            add(pWidget, strMenu, pMenu->title());
            for (int i = 0; i < pMenu->actions().size(); ++i)
                add(pWidget, strMenu + QStringLiteral("/%1").arg(i),
                    pMenu->actions().at(i)->text());
        }
        auto* pView = qobject_cast<QAbstractItemView*>(pWidget);
        if (!pView || !pView->model())
            continue;
        const QAbstractItemModel* pModel = pView->model();
        for (int i = 0; i < pModel->columnCount(); ++i)
            add(pWidget, QStringLiteral("header%1").arg(i),
                pModel->headerData(i, Qt::Horizontal).toString());
        // A list's rows are the categories the program names; a table's
        // rows are the site's own data.
        if (qobject_cast<QListView*>(pView)) {
            for (int i = 0; i < pModel->rowCount(); ++i)
                add(pWidget, QStringLiteral("row%1").arg(i), pModel->index(i, 0).data().toString());
        }
    }
    return texts;
}

} // namespace

class TestTranslation : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_site;
    PSimDataServer m_server;
    SManualClock m_clock {QDateTime(QDate(2026, 3, 7), QTime(10, 6, 30))};

    // The main window with every settings category and the alarm journal
    // opened once, so that each exists, and the link up; its texts; the window is
    // deleted. pAsked: the question the settings window's "OK" asks.
    QMap<QString, QString> windowTexts(QStringList* pAsked)
    {
        QSqlDatabase::database().close();
        QFile::remove(QStringLiteral("DataBase.sqlite"));
        if (!RConnectDatabase().OpenDatabase())
            return {};
        PSqlExec::Exec(
            "insert into SystemInfo(IP, Port) values('127.0.0.1', ?)", {m_server.Port()});
        TestDb::AddRegions({1, 2});
        Kestal window(nullptr, &m_clock, m_site.filePath(QStringLiteral("audit.key")));
        window.resize(1600, 900);
        window.show();
        auto* pList
            = window.FormSetting()->findChild<QListView*>(QStringLiteral("m_pCategoryList"));
        for (int i = 0; pList && i < pList->model()->rowCount(); ++i)
            pList->setCurrentIndex(pList->model()->index(i, 0));
        // The alarm journal is made when it is first asked for.
        QTest::mouseClick(
            window.FormRegion()->findChild<QPushButton*>(QStringLiteral("m_pButtonJournal")),
            Qt::LeftButton);
        // The link's status arrives as a constant text and is translated
        // only where the status strip shows it.
        const QString strConnected = QCoreApplication::translate("RFormStatus", "Connected !");
        if (!QTest::qWaitFor([&] { return window.FormStatus()->Message() == strConnected; }))
            return {};
        const QMap<QString, QString> texts = shownTexts(&window);

        FakePrompt prompt;
        prompt.bAccept = false;
        window.FormSetting()->SetPrompt(&prompt);
        window.ShowSetting();
        m_clock.Advance(1000); // past the double-click guard
        QTest::mouseClick(
            window.FormSetting()->findChild<QPushButton*>(QStringLiteral("m_pButtonOK")),
            Qt::LeftButton);
        *pAsked = prompt.asked;
        return texts;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_site.isValid() && m_server.Listen());
        QDir::setCurrent(m_site.path());
        SPresetObject::SetDirectories(m_site.filePath("factory"), m_site.filePath("local"));
    }

    // A message added to the sources but not translated, or translated to
    // nothing, would show English (or nothing) in the Chinese program.
    void everyMessageTranslated()
    {
        const QList<Message> messages = readTs(QStringLiteral(KESTAL_TS));
        QVERIFY2(messages.size() > 100, "kestal_zh.ts unreadable");
        QStringList faults;
        for (const Message& message : messages) {
            if (!message.strType.isEmpty() || message.strTranslation.trimmed().isEmpty())
                faults << QStringLiteral("untranslated: ") + message.Key();
            else if (placeholders(message.strSource) != placeholders(message.strTranslation))
                faults << QStringLiteral("placeholders differ: ") + message.Key();
        }
        qInfo("%d messages", int(messages.size()));
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
    }

    // The .ts must list exactly the texts the sources hold: one missed by
    // lupdate never reaches a translator.
    void messageListCurrent()
    {
        QTemporaryDir scratch;
        const QString strCopy = scratch.filePath(QStringLiteral("kestal_zh.ts"));
        QVERIFY(QFile::copy(QStringLiteral(KESTAL_TS), strCopy));
        QProcess lupdate;
        QStringList args = QStringLiteral(KESTAL_LUPDATE_OPTIONS).split(QLatin1Char('|'));
        lupdate.start(QStringLiteral(KESTAL_LUPDATE), args << QStringLiteral("-ts") << strCopy);
        QVERIFY(lupdate.waitForFinished(60000));
        QCOMPARE(lupdate.exitCode(), 0);

        QSet<QString> checkedIn;
        for (const Message& message : readTs(QStringLiteral(KESTAL_TS)))
            checkedIn << message.Key();
        QStringList faults;
        QSet<QString> current;
        for (const Message& message : readTs(strCopy)) {
            current << message.Key();
            if (!checkedIn.contains(message.Key()))
                faults << QStringLiteral("not in kestal_zh.ts: ") + message.Key();
        }
        for (const QString& strKey : checkedIn - current)
            faults << QStringLiteral("no longer in the sources: ") + strKey;
        QVERIFY2(faults.isEmpty(),
            qPrintable(faults.join(QLatin1Char('\n'))
                + QStringLiteral("\nrun the kestal_lupdate target and translate")));
    }

    // Every text the window shows in English changes when the translation
    // is loaded: a text outside tr(), or in a context the translation does
    // not know, stays English. Table headers count, the region table's
    // among them.
    void pagesShowChinese()
    {
        QStringList asked;
        const QMap<QString, QString> english = windowTexts(&asked);
        QVERIFY(!english.isEmpty());
        QCOMPARE(asked.size(), 1);

        QTranslator translator;
        QVERIFY(translator.load(QStringLiteral(KESTAL_QM)));
        QCoreApplication::installTranslator(&translator);
        QStringList chineseAsked;
        const QMap<QString, QString> chinese = windowTexts(&chineseAsked);
        QCoreApplication::removeTranslator(&translator);
        QVERIFY(!chinese.isEmpty());

        QStringList faults;
        const QRegularExpression words(QStringLiteral("[A-Za-z]{2}"));
        for (auto it = english.cbegin(); it != english.cend(); ++it) {
            if (!it->contains(words))
                continue;
            if (qEnvironmentVariableIsSet("KESTAL_SHOW_TEXTS"))
                qInfo("%s = %s", qPrintable(*it), qPrintable(chinese.value(it.key())));
            if (!chinese.contains(it.key()))
                faults << it.key() + QStringLiteral(" not shown: ") + *it;
            else if (chinese.value(it.key()) == *it)
                faults << it.key() + QStringLiteral(" = ") + *it;
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
        QCOMPARE(chineseAsked.size(), 1);
        QVERIFY(chineseAsked.first() != asked.first());
    }

    // Qt's own texts come with ours, as the program loads them: the save
    // dialog of every export labels its fields and buttons in Chinese.
    void fileDialogShowsChinese()
    {
        const auto dialogTexts = [] {
            QFileDialog dialog(nullptr, QString(), QDir::tempPath(), QStringLiteral("CSV (*.csv)"));
            dialog.setOption(QFileDialog::DontUseNativeDialog);
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.show();
            QMap<QString, QString> texts;
            for (const char* pLabel : {"lookInLabel", "fileNameLabel", "fileTypeLabel"}) {
                if (auto* pWidget = dialog.findChild<QLabel*>(QLatin1String(pLabel)))
                    texts.insert(QLatin1String(pLabel), pWidget->text());
            }
            if (auto* pBox = dialog.findChild<QDialogButtonBox*>()) {
                for (QAbstractButton* pButton : pBox->buttons())
                    texts.insert(QString::number(pBox->standardButton(pButton)), pButton->text());
            }
            return texts;
        };
        const QMap<QString, QString> english = dialogTexts();
        QCOMPARE(english.size(), 5);

        QTranslator ours;
        QTranslator qt;
        QVERIFY(ours.load(QStringLiteral(KESTAL_QM)));
        QVERIFY2(PInstallPaths::LoadQtTranslation(&qt, QLocale(ours.language())),
            "Qt's own Chinese texts are missing: is qttranslations5-l10n installed?");
        QCoreApplication::installTranslator(&qt);
        QCoreApplication::installTranslator(&ours);
        const QMap<QString, QString> chinese = dialogTexts();
        QCoreApplication::removeTranslator(&ours);
        QCoreApplication::removeTranslator(&qt);

        const QRegularExpression han(QStringLiteral("\\p{Han}"));
        for (auto it = english.cbegin(); it != english.cend(); ++it) {
            QVERIFY2(chinese.value(it.key()).contains(han),
                qPrintable(it.key() + QStringLiteral(": ") + *it + QStringLiteral(" -> ")
                    + chinese.value(it.key())));
        }
    }

    // Chinese characters in the pages' font come out as glyphs, not as the
    // empty boxes drawn for characters no installed font has.
    void chineseGlyphsDrawn()
    {
        const QFont font(QStringLiteral("Times New Roman"), 14);
        auto draw = [&font](const QString& strText) {
            QLabel label(strText);
            label.setFont(font);
            label.setFixedSize(300, 40);
            return label.grab().toImage();
        };
        // Unassigned code points: no font has them, so they show the box.
        const QImage boxes = draw(QString(5, QChar(0x0378)));
        QVERIFY(draw(QStringLiteral("Dose")) != boxes);
        QVERIFY2(draw(QStringLiteral("剂量率报警")) != boxes,
            "Chinese texts are drawn as empty boxes: is a CJK font (fonts-noto-cjk) installed?");
    }
};

QTEST_MAIN(TestTranslation)
#include "tst_translation.moc"
