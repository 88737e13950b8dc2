// The about box and the debug mode it switches, under Qt's offscreen platform.
#include "tests/support/XdgSandbox.h"
#include "ui/TFrmAbout.h"
#include "ui/TFrmMainWnd.h"
#include "ui/TTarnDebugScreen.h"

#include <QAction>
#include <QLabel>
#include <QTimer>
#include <QtTest>

using testing_support::XdgSandbox;
using ui::TFrmAbout;

class AboutTest : public QObject {
    Q_OBJECT

private slots:
    void theBoxShowsTheProgramsVersionAndCopyright() {
        TFrmAbout box;
        QCOMPARE(box.windowTitle(), QStringLiteral("About Velmoran"));
        QCOMPARE(box.LblProgramName->font().pixelSize(), 27);
        // This test program has no version block: the fields stay empty.
        QVERIFY(box.LblFileVersion->text().isEmpty());
        QVERIFY(box.LblLegalCopyright->text().isEmpty());
        box.VersionInf1.SetFileName(VELMORAN_BINARY);
        box.UpdateDisplays();
        QCOMPARE(box.LblFileVersion->text(), QStringLiteral(VELMORAN_VERSION));
        QVERIFY(box.LblLegalCopyright->text().startsWith(QStringLiteral("Copyright")));
    }

    void onlyAShiftCtrlClickOnTheIconTogglesDebugMode() {
        TFrmAbout box;
        box.show();
        QTest::mouseClick(box.Image1, Qt::LeftButton, Qt::ShiftModifier);
        QTest::mouseClick(box.Image1, Qt::LeftButton, Qt::ControlModifier);
        QTest::mouseClick(box.Image1, Qt::LeftButton);
        QVERIFY(!box.DebugMode);
        QCOMPARE(box.Beeps, 0);
        QTest::mouseClick(box.Image1, Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier);
        QVERIFY(box.DebugMode);
        QCOMPARE(box.Beeps, 1);
        QTest::mouseClick(box.Image1, Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier);
        QVERIFY(!box.DebugMode);
        QCOMPARE(box.Beeps, 2);
    }

    void theDebugScreenFollowsTheModeSetInTheBox() {
        XdgSandbox xdg;
        ui::TFrmMainWnd window({});
        window.show();
        bool toggle = true;
        window.AboutHook = [&](TFrmAbout& box) {
            QTimer::singleShot(0, &box, [&box, &toggle] {
                if (toggle)
                    box.Image1Click(Qt::ShiftModifier | Qt::ControlModifier);
                box.accept();
            });
        };
        window.Action(host::TAction::HelpAbout)->trigger();
        QVERIFY(window.Model().DebugMode);
        QVERIFY(window.DebugScreen().Visible());
        QCOMPARE(window.DebugScreen().MaxLines(), 500);
        // Debug lines of a run reach the screen.
        window.AddStampedLine("Backup start.");
        QVERIFY(window.DebugScreen().Lines().back().endsWith(QStringLiteral(">Backup start.")));
        toggle = false;
        window.Action(host::TAction::HelpAbout)->trigger();
        QVERIFY(window.DebugScreen().Visible()); // unchanged mode, unchanged screen
        toggle = true;
        window.Action(host::TAction::HelpAbout)->trigger();
        QVERIFY(!window.Model().DebugMode);
        QVERIFY(!window.DebugScreen().Visible());
        window.close();
    }
};

QTEST_MAIN(AboutTest)
#include "AboutTest.moc"
