// The debug screen component and its window under Qt's offscreen platform.
#include "tests/support/TempDir.h"
#include "ui/TFrmDebugScreen.h"
#include "ui/TTarnDebugScreen.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextEdit>
#include <QtTest>

using testing_support::ReadAll;
using testing_support::TempDir;
using ui::TTarnDebugScreen;

class DebugScreenTest : public QObject {
    Q_OBJECT

private slots:
    void linesAreKeptUpToMaxLinesWhichIsClamped() {
        TTarnDebugScreen screen;
        QCOMPARE(screen.MaxLines(), 100);
        screen.SetMaxLines(500);
        for (int i = 1; i <= 500; ++i)
            screen.AddLine("line " + std::to_string(i));
        QCOMPARE(screen.Lines().size(), 500);
        screen.AddLine("line 501");
        QCOMPARE(screen.Lines().size(), 500);
        QCOMPARE(screen.Lines().front(), QStringLiteral("line 2"));
        QCOMPARE(screen.Lines().back(), QStringLiteral("line 501"));
        QCOMPARE(screen.LastLine(), std::string("line 501"));
        screen.SetMaxLines(2);
        QCOMPARE(screen.MaxLines(), 5);
        QCOMPARE(screen.Lines(),
                 (QStringList{"line 497", "line 498", "line 499", "line 500", "line 501"}));
        screen.SetMaxLines(5000);
        QCOMPARE(screen.MaxLines(), 1000);

        screen.Enabled = false;
        screen.AddLine("ignored");
        screen.AddStampedLine("ignored");
        screen.Clear();
        QCOMPARE(screen.Lines().size(), 5);
        screen.Enabled = true;
        screen.Clear();
        QVERIFY(screen.Lines().isEmpty());
    }

    void stampedLinesStartWithTheDateAndTimeInRed() {
        TTarnDebugScreen screen;
        screen.AddLine("plain");
        screen.AddStampedLine("Backup start.");
        screen.AddLine("after");
        const QStringList lines = screen.Lines();
        QCOMPARE(lines.size(), 3);
        QVERIFY2(QRegularExpression(QStringLiteral("^<\\d{4}/\\d\\d/\\d\\d \\d{1,2}:\\d\\d:\\d\\d>"
                                                   "Backup start\\.$"))
                     .match(lines[1])
                     .hasMatch(),
                 qPrintable(lines[1]));
        QTextEdit* edit = screen.Form().REditConsole;
        const QTextBlock stamped = edit->document()->findBlockByNumber(1);
        const QTextCharFormat stamp = stamped.begin().fragment().charFormat();
        QCOMPARE(stamp.foreground().color(), QColor(Qt::red));
        QVERIFY(stamp.fontUnderline());
        QCOMPARE(stamp.fontWeight(), int(QFont::Bold));
        // The text after the stamp has the screen's own attributes again.
        const QTextCharFormat text = (++stamped.begin()).fragment().charFormat();
        QCOMPARE(text.foreground().color(), screen.Color);
        QVERIFY(!text.fontUnderline());
    }

    void copyTakesTheWholeTextAndKeepsTheSelection() {
        TTarnDebugScreen screen;
        screen.AddLine("first");
        screen.AddLine("second");
        QTextEdit* edit = screen.Form().REditConsole;
        QTextCursor cursor(edit->document());
        cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor, 3);
        edit->setTextCursor(cursor);
        screen.Form().ActCopy->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("first\nsecond\n"));
        QCOMPARE(edit->textCursor().selectedText(), QStringLiteral("fir"));
    }

    void bothSavesWriteTheirFormatsAndFailuresAreReported() {
        TempDir dir;
        TTarnDebugScreen screen;
        screen.AddLine("Backup {start} \\ done");
        screen.AddStampedLine("日本語のファイル名");
        screen.Form().SplitLine();
        auto& form = screen.Form();
        std::string target = dir / "trace.txt";
        std::vector<bool> asked;
        form.SaveDialogHook = [&](bool rich) {
            asked.push_back(rich);
            return std::optional<std::string>(target);
        };
        std::vector<std::string> errors;
        form.ErrorReporter = [&](const std::string& e) { errors.push_back(e); };

        form.ActSaveAsText->trigger();
        const std::string text = ReadAll(target);
        QVERIFY(text.starts_with("Backup {start} \\ done\n<"));
        QVERIFY(text.find("日本語のファイル名\n" + std::string(76, '-')) != std::string::npos);

        target = dir / "trace.rtf";
        form.ActSaveAsRichText->trigger();
        QCOMPARE(asked, (std::vector<bool>{false, true}));
        const std::string rtf = ReadAll(target);
        QVERIFY(rtf.starts_with("{\\rtf1"));
        int depth = 0, lowest = 1;
        const std::size_t last = rtf.find_last_of('}');
        for (std::size_t i = 0; i <= last; ++i) {
            if (rtf[i] == '\\') {
                ++i; // an escaped character or a control word
                continue;
            }
            depth += rtf[i] == '{' ? 1 : rtf[i] == '}' ? -1 : 0;
            if (i < last)
                lowest = std::min(lowest, depth);
        }
        QCOMPARE(depth, 0);
        QVERIFY(lowest >= 1); // one group holds the whole document
        QVERIFY(rtf.find("Backup \\{start\\} \\\\ done") != std::string::npos);
        // 日 is U+65E5 (26085), 本 U+672C (26412): Unicode escapes, no raw bytes beyond ASCII.
        QVERIFY(rtf.find("\\u26085?\\u26412?") != std::string::npos);
        QVERIFY(std::all_of(rtf.begin(), rtf.end(), [](char c) { return (c & 0x80) == 0; }));
        QVERIFY(rtf.find("\\red255\\green0\\blue0;") != std::string::npos); // the stamp's red
        QVERIFY(rtf.find("\\b\\ul ") != std::string::npos);
        QVERIFY(rtf.find("\\b\\i " + std::string(76, '-')) != std::string::npos);

        // A file standing where the directory should be: the error is reported, nothing else.
        dir.Write("file", "x");
        target = dir / "file/trace.txt";
        form.ActSaveAsText->trigger();
        QCOMPARE(errors.size(), std::size_t{1});
        // Cancelled dialogs write nothing.
        form.SaveDialogHook = [](bool) { return std::optional<std::string>(); };
        form.ActSaveAsText->trigger();
        QCOMPARE(errors.size(), std::size_t{1});
    }

    void theMenuCommandsDoWhatTheySay() {
        TTarnDebugScreen screen;
        auto& form = screen.Form();
        QCOMPARE(form.windowTitle(), QStringLiteral("Debug Screen"));
        QVERIFY(!form.ActFind->isEnabled());
        QVERIFY(form.REditConsole->isReadOnly());
        screen.AddLine("one");
        form.ActDateAndTime->trigger();
        QVERIFY(QRegularExpression(
                    QStringLiteral("^\\[\\d{4}/\\d\\d/\\d\\d \\d{1,2}:\\d\\d:\\d\\d\\]$"))
                    .match(screen.Lines().back())
                    .hasMatch());
        form.ActSplitLine->trigger();
        QCOMPARE(screen.Lines().back(), QString(76, QLatin1Char('-')));
        screen.SetVisible(true);
        QVERIFY(screen.Visible());
        form.ActClose->trigger();
        QVERIFY(!screen.Visible());
        form.ActClearAll->trigger();
        QVERIFY(screen.Lines().isEmpty());
        QVERIFY(form.REditConsole->isReadOnly());
    }
};

QTEST_MAIN(DebugScreenTest)
#include "DebugScreenTest.moc"
