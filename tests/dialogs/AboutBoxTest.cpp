// The about box: its lines, the versions, and the ways it closes.
#include "support/TestMain.h"

#include "DialogTestSupport.h"

#include "dialogs/ZenqAbout.h"
#include "framework/ZenqPaths.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

using zenqtest::ModalRunnerScope;
using zenqtest::showActive;

namespace {

QLabel *label(const QWidget &box, const char *name)
{
    return box.findChild<QLabel *>(QLatin1String(name));
}

} // namespace

class AboutBoxTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void showsTheLinesAndVersions()
    {
        const TAboutDlg box(nullptr, QStringLiteral("ZenqConsole"), QStringLiteral("Written by"),
                            QStringLiteral("Vantrel"), QStringLiteral("for"));
        QCOMPARE(box.windowTitle(), QStringLiteral("Info"));
        QVERIFY(box.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(label(box, "Label1")->text(), QStringLiteral("ZenqConsole"));
        QCOMPARE(label(box, "Label2")->text(), QStringLiteral("Written by"));
        QCOMPARE(label(box, "Label3")->text(), QStringLiteral("Vantrel"));
        QCOMPARE(label(box, "Label4")->text(), QStringLiteral("for"));
        QCOMPARE(label(box, "Label5")->text(), QStringLiteral("Version " ZENQ_VERSION " / Zenq-Version ") + ZenqGetVersion());
        QVERIFY(label(box, "Label1")->font().bold());
        QVERIFY(!label(box, "Label5")->font().bold());
        QVERIFY(label(box, "Label1a")->isHidden());
        QCOMPARE(box.findChild<QPushButton *>(QStringLiteral("OKButton"))->text(), QStringLiteral("OK"));
    }

    void linesAreStackedAboveTheImages_data()
    {
        QTest::addColumn<QString>("author");
        QTest::addColumn<bool>("grows");
        QTest::newRow("one-line author") << "Vantrel" << false;
        QTest::newRow("author that wraps") << QString(40, QLatin1Char(' ')).replace(QLatin1Char(' '), QStringLiteral("word ")) << true;
    }
    void linesAreStackedAboveTheImages()
    {
        QFETCH(QString, author);
        QFETCH(bool, grows);
        const TAboutDlg box(nullptr, QStringLiteral("ZenqConsole"), QStringLiteral("Written by"), author,
                            QStringLiteral("for"));
        const QRect writtenBy = label(box, "Label2")->geometry();
        const QRect authorLine = label(box, "Label3")->geometry();
        const QRect forLine = label(box, "Label4")->geometry();
        QCOMPARE(authorLine.top(), writtenBy.bottom() + 1);
        QCOMPARE(forLine.top(), authorLine.bottom() + 1);
        QVERIFY(forLine.bottom() < label(box, "Image1")->geometry().top());
        QVERIFY(forLine.bottom() < label(box, "Label5")->geometry().top());
        QCOMPARE(box.width(), 370);
        QCOMPARE(box.height() > 225, grows);
    }

    void closes_data()
    {
        QTest::addColumn<QString>("action");
        QTest::newRow("OK") << "OKButton";
        QTest::newRow("Esc") << "Esc";
        QTest::newRow("Enter") << "Enter";
        for (const char *name : { "Label1", "Label2", "Label3", "Label4", "Label5", "Image1", "Image2", "Panel1" })
            QTest::newRow(name) << name;
    }
    void closes()
    {
        QFETCH(QString, action);
        bool closed = false;
        ModalRunnerScope runner([&](QDialog &box) {
            QVERIFY(showActive(box));
            if (action == QLatin1String("Esc"))
                QTest::keyClick(&box, Qt::Key_Escape);
            else if (action == QLatin1String("Enter"))
                QTest::keyClick(&box, Qt::Key_Return);
            else
                QTest::mouseClick(box.findChild<QWidget *>(action), Qt::LeftButton, {}, QPoint(2, 2));
            closed = !box.isVisible();
            QCOMPARE(box.result(), int(QDialog::Rejected));
            box.reject();
        });
        ShowAboutBox(nullptr, QStringLiteral("ZenqConsole"), QStringLiteral("Written by"), QStringLiteral("Vantrel"),
                     QStringLiteral("for"));
        QVERIFY(closed);
    }
};

ZENQ_TEST_CLASS(AboutBoxTest);
#include "AboutBoxTest.moc"
