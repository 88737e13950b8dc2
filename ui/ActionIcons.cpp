#include "ui/ActionIcons.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>

#include <functional>

namespace ui {

using host::TAction;

namespace {

using Drawing = std::function<void(QPainter&)>;

// Draws on a 24 x 24 grid at each of the usual sizes.
QIcon Drawn(const Drawing& draw) {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 24.0, size / 24.0);
        draw(painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

const QColor Ink(0x33, 0x44, 0x55);
const QColor Blue(0x2a, 0x6f, 0xd6);
const QColor Green(0x2e, 0x9e, 0x4f);
const QColor Red(0xd0, 0x3b, 0x3b);

QPen Line(const QColor& color, double width = 2) {
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void Page(QPainter& p) {
    p.setPen(Line(Ink, 1.5));
    p.setBrush(Qt::white);
    QPainterPath page;
    page.moveTo(5, 2);
    page.lineTo(14, 2);
    page.lineTo(19, 7);
    page.lineTo(19, 22);
    page.lineTo(5, 22);
    page.closeSubpath();
    p.drawPath(page);
    p.drawPolyline(QPolygonF({{14, 2}, {14, 7}, {19, 7}}));
}

void Folder(QPainter& p) {
    p.setPen(Line(Ink, 1.5));
    p.setBrush(QColor(0xf2, 0xc0, 0x4c));
    p.drawPolygon(QPolygonF({{2, 6}, {9, 6}, {11, 8}, {22, 8}, {22, 20}, {2, 20}}));
}

void Disk(QPainter& p, const QColor& color) {
    p.setPen(Line(Ink, 1.5));
    p.setBrush(color);
    p.drawRoundedRect(QRectF(3, 3, 18, 18), 2, 2);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(7, 3, 10, 6));
    p.drawRect(QRectF(6, 13, 12, 8));
}

void Arrow(QPainter& p, const QColor& color, bool up) {
    p.setPen(Line(color, 3));
    p.drawLine(QPointF(12, 20), QPointF(12, 4));
    const double tip = up ? 4 : 20, back = up ? 11 : 13;
    p.drawPolyline(QPolygonF({{5, back}, {12, tip}, {19, back}}));
}

void Plus(QPainter& p, const QColor& color, double x, double y, double r) {
    p.setPen(Line(color, 3));
    p.drawLine(QPointF(x - r, y), QPointF(x + r, y));
    p.drawLine(QPointF(x, y - r), QPointF(x, y + r));
}

void Cross(QPainter& p, const QColor& color, double x, double y, double r) {
    p.setPen(Line(color, 3));
    p.drawLine(QPointF(x - r, y - r), QPointF(x + r, y + r));
    p.drawLine(QPointF(x - r, y + r), QPointF(x + r, y - r));
}

void Circle(QPainter& p, const QColor& fill) {
    p.setPen(Line(Ink, 1.5));
    p.setBrush(fill);
    p.drawEllipse(QRectF(2.5, 2.5, 19, 19));
}

void Letter(QPainter& p, const QString& text, const QColor& color, double pixel = 15) {
    QFont font = QApplication::font();
    font.setPixelSize(static_cast<int>(pixel));
    font.setBold(true);
    p.setFont(font);
    p.setPen(color);
    p.drawText(QRectF(0, 0, 24, 24), Qt::AlignCenter, text);
}

void Pencil(QPainter& p) {
    p.setPen(Line(Ink, 1.5));
    p.setBrush(QColor(0xf2, 0xc0, 0x4c));
    p.drawPolygon(QPolygonF({{17, 6}, {21, 10}, {11, 20}, {6, 21}, {7, 16}}));
}

// The history arrow: a circle that comes back on itself.
void History(QPainter& p, const QColor& color) {
    p.setPen(Line(color, 2.5));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(5, 5, 14, 14), 90 * 16, 270 * 16);
    p.drawPolyline(QPolygonF({{12, 2}, {12, 5}, {15, 5}}));
}

Drawing DrawingOf(TAction action) {
    switch (action) {
    case TAction::FileNew:
        return [](QPainter& p) {
            Page(p);
            Plus(p, Green, 17, 17, 4);
        };
    case TAction::FileOpen:
        return [](QPainter& p) { Folder(p); };
    case TAction::FileSave:
        return [](QPainter& p) { Disk(p, Blue); };
    case TAction::FileSaveAs:
        return [](QPainter& p) {
            Disk(p, Blue);
            Pencil(p);
        };
    case TAction::FileExit:
        return [](QPainter& p) {
            p.setPen(Line(Ink, 1.5));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(3, 3, 12, 18));
            p.setPen(Line(Red, 2.5));
            p.drawLine(QPointF(10, 12), QPointF(21, 12));
            p.drawPolyline(QPolygonF({{17, 8}, {21, 12}, {17, 16}}));
        };
    case TAction::VMExecute:
        return [](QPainter& p) {
            Circle(p, Green);
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::white);
            p.drawPolygon(QPolygonF({{9, 7}, {18, 12}, {9, 17}}));
        };
    case TAction::VMStop:
        return [](QPainter& p) {
            Circle(p, Red);
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::white);
            p.drawRect(QRectF(8, 8, 8, 8));
        };
    case TAction::VMRestore:
        return [](QPainter& p) {
            Folder(p);
            p.setPen(Line(Blue, 2.5));
            p.drawLine(QPointF(12, 18), QPointF(12, 10));
            p.drawPolyline(QPolygonF({{8, 13}, {12, 9}, {16, 13}}));
        };
    case TAction::VMVerify:
        return [](QPainter& p) {
            Disk(p, Blue);
            p.setPen(Line(Green, 2.5));
            p.drawPolyline(QPolygonF({{8, 17}, {11, 20}, {16, 14}}));
        };
    case TAction::VMClean:
        return [](QPainter& p) {
            p.setPen(Line(Ink, 1.5));
            p.setBrush(QColor(0xdd, 0xdd, 0xdd));
            p.drawPolygon(QPolygonF({{6, 7}, {18, 7}, {17, 22}, {7, 22}}));
            p.drawLine(QPointF(4, 6), QPointF(20, 6));
            p.drawRect(QRectF(9, 3, 6, 3));
            History(p, Red);
        };
    case TAction::VMVersions:
        return [](QPainter& p) {
            Page(p);
            History(p, Blue);
        };
    case TAction::VMAdd:
        return [](QPainter& p) { Plus(p, Green, 12, 12, 8); };
    case TAction::VMEdit:
        return [](QPainter& p) {
            Page(p);
            Pencil(p);
        };
    case TAction::VMDelete:
        return [](QPainter& p) { Cross(p, Red, 12, 12, 7); };
    case TAction::VMNotes:
        return [](QPainter& p) {
            Page(p);
            p.setPen(Line(Ink, 1.5));
            for (double y : {10.0, 14.0, 18.0})
                p.drawLine(QPointF(8, y), QPointF(16, y));
        };
    case TAction::VMUp:
        return [](QPainter& p) { Arrow(p, Blue, true); };
    case TAction::VMDown:
        return [](QPainter& p) { Arrow(p, Blue, false); };
    case TAction::OptionsOptions:
        return [](QPainter& p) {
            p.setPen(Line(Ink, 1.5));
            p.setBrush(QColor(0x99, 0xa5, 0xb3));
            for (int i = 0; i < 8; ++i) {
                p.save();
                p.translate(12, 12);
                p.rotate(45 * i);
                p.drawRect(QRectF(-2, -11, 4, 5));
                p.restore();
            }
            p.drawEllipse(QRectF(5, 5, 14, 14));
            p.setBrush(Qt::white);
            p.drawEllipse(QRectF(9, 9, 6, 6));
        };
    case TAction::OptionsScheduler:
        return [](QPainter& p) {
            Circle(p, Qt::white);
            p.setPen(Line(Ink, 2));
            p.drawLine(QPointF(12, 12), QPointF(12, 6));
            p.drawLine(QPointF(12, 12), QPointF(16, 14));
        };
    case TAction::OptionsRegister:
        return [](QPainter& p) {
            Page(p);
            p.setPen(Line(Green, 2.5));
            p.drawPolyline(QPolygonF({{8, 14}, {11, 17}, {17, 10}}));
        };
    case TAction::OptionsUnRegister:
        return [](QPainter& p) {
            Page(p);
            Cross(p, Red, 12, 14, 4);
        };
    case TAction::HelpIndex:
        return [](QPainter& p) {
            Circle(p, Blue);
            Letter(p, QStringLiteral("?"), Qt::white);
        };
    case TAction::HelpHomePage:
        return [](QPainter& p) {
            p.setPen(Line(Ink, 1.5));
            p.setBrush(QColor(0xf2, 0xc0, 0x4c));
            p.drawPolygon(
                QPolygonF({{3, 12}, {12, 3}, {21, 12}, {18, 12}, {18, 21}, {6, 21}, {6, 12}}));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(10, 14, 4, 7));
        };
    case TAction::HelpAbout:
        return [](QPainter& p) {
            Circle(p, Blue);
            Letter(p, QStringLiteral("i"), Qt::white);
        };
    }
    return [](QPainter&) {};
}

} // namespace

const char* ActionIconName(TAction action) {
    switch (action) {
    case TAction::FileNew:
        return "document-new";
    case TAction::FileOpen:
        return "document-open";
    case TAction::FileSave:
        return "document-save";
    case TAction::FileSaveAs:
        return "document-save-as";
    case TAction::FileExit:
        return "application-exit";
    case TAction::VMExecute:
        return "media-playback-start";
    case TAction::VMStop:
        return "media-playback-stop";
    case TAction::VMRestore:
        return "document-revert";
    case TAction::VMClean:
        return "edit-clear-history";
    case TAction::VMVerify:
        return "dialog-ok-apply";
    case TAction::VMVersions:
        return "document-open-recent";
    case TAction::VMAdd:
        return "list-add";
    case TAction::VMEdit:
        return "document-edit";
    case TAction::VMDelete:
        return "list-remove";
    case TAction::VMNotes:
        return "document-properties";
    case TAction::VMUp:
        return "go-up";
    case TAction::VMDown:
        return "go-down";
    case TAction::OptionsOptions:
        return "preferences-system";
    case TAction::OptionsScheduler:
        return "appointment-new";
    case TAction::OptionsRegister:
        return "emblem-default";
    case TAction::OptionsUnRegister:
        return "edit-delete";
    case TAction::HelpIndex:
        return "help-contents";
    case TAction::HelpHomePage:
        return "go-home";
    case TAction::HelpAbout:
        return "help-about";
    }
    return "";
}

QIcon BuiltInActionIcon(TAction action) {
    return Drawn(DrawingOf(action));
}

QIcon ActionIcon(TAction action) {
    const QString name = QString::fromLatin1(ActionIconName(action));
    return QIcon::hasThemeIcon(name) ? QIcon::fromTheme(name) : BuiltInActionIcon(action);
}

QIcon ProgramIcon() {
    return Drawn([](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(Blue);
        p.drawRoundedRect(QRectF(1, 1, 22, 22), 5, 5);
        History(p, Qt::white);
        Letter(p, QStringLiteral("V"), Qt::white, 9);
    });
}

} // namespace ui
