// The action icons on a machine without an icon theme, and the clipped-text check of the
// screenshots, under Qt's offscreen platform.
#include "tests/support/XdgSandbox.h"
#include "ui/ActionIcons.h"
#include "ui/TFrmMainWnd.h"
#include "ui/screenshots/ClipCheck.h"

#include <QAction>
#include <QImage>
#include <QPushButton>
#include <QSet>
#include <QToolBar>
#include <QVBoxLayout>
#include <QtTest>

using host::TAction;

namespace {

// The number of pixels that are not transparent.
int Painted(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
    return n;
}

} // namespace

class IconsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QIcon::setThemeName(QStringLiteral("no-such-theme")); }

    void everyActionHasItsOwnPictureWithoutATheme() {
        QSet<QByteArray> pictures;
        for (int i = 0; i < host::ActionCount; ++i) {
            const auto action = static_cast<TAction>(i);
            QVERIFY(QString::fromLatin1(ui::ActionIconName(action)).size() > 0);
            const QIcon icon = ui::ActionIcon(action);
            QVERIFY2(!icon.isNull(), ui::ActionIconName(action));
            for (int size : {16, 24}) {
                const QImage image = icon.pixmap(size, size).toImage();
                QCOMPARE(image.width(), size);
                QVERIFY2(Painted(image) > size * size / 10, ui::ActionIconName(action));
            }
            const QImage big = icon.pixmap(24, 24).toImage();
            pictures.insert(
                QByteArray(reinterpret_cast<const char*>(big.constBits()), big.sizeInBytes()));
        }
        QCOMPARE(pictures.size(), host::ActionCount);
        QVERIFY(Painted(ui::ProgramIcon().pixmap(48, 48).toImage()) > 48 * 48 / 2);
    }

    void theToolBarShowsIcons() {
        testing_support::XdgSandbox xdg;
        ui::TFrmMainWnd window({});
        const QList<QToolBar*> bars = window.findChildren<QToolBar*>();
        QCOMPARE(bars.size(), 1);
        int buttons = 0;
        for (QAction* action : bars.front()->actions()) {
            if (action->isSeparator())
                continue;
            ++buttons;
            QVERIFY2(!action->icon().isNull(), qPrintable(action->text()));
        }
        QCOMPARE(buttons, 18);
    }

    void clippedTextsAreFound() {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* fits = new QPushButton(QStringLiteral("バックアップ実行(&E)"), &window);
        layout->addWidget(fits);
        auto* cut = new QPushButton(QStringLiteral("履歴バックアップファイルの削除"));
        cut->setParent(&window);
        window.show();
        cut->setGeometry(0, 0, 40, fits->sizeHint().height());
        const QStringList clipped = ui::ClippedWidgets(&window);
        QCOMPARE(clipped.size(), 1);
        QVERIFY(clipped.front().contains(QStringLiteral("履歴バックアップファイルの削除")));
        cut->resize(cut->sizeHint());
        QVERIFY(ui::ClippedWidgets(&window).isEmpty());
    }
};

QTEST_MAIN(IconsTest)
#include "IconsTest.moc"
