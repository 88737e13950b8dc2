#include "ui/TFrmTaskTrigger.h"

#include "platform/CodePage.h"
#include "schedule/Task.h"
#include "ui/DialogParts.h"
#include "ui/QtText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTimeEdit>
#include <QVBoxLayout>

#include <cctype>

namespace ui {

using schedule::TTaskTrigger;
using schedule::TTriggerType;

namespace {

// Weekdays Sunday first, each with a mnemonic of its own.
constexpr const char* kWeekDays[] = {"日曜(&U)", "月曜(&M)", "火曜(&T)", "水曜(&W)",
                                     "木曜(&H)", "金曜(&F)", "土曜(&A)"};

// A spin box with its unit after it.
QWidget* WithUnit(QWidget* parent, QSpinBox* spin, const QString& label, const QString& unit) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* text = new QLabel(label, row);
    text->setBuddy(spin);
    layout->addWidget(text);
    layout->addWidget(spin);
    layout->addWidget(new QLabel(unit, row));
    layout->addStretch();
    layout->setAlignment(Qt::AlignTop);
    return row;
}

} // namespace

std::optional<std::uint32_t> ParseMonthDays(const std::string& text) {
    std::uint32_t days = 0;
    std::size_t i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
    };
    auto number = [&]() -> std::optional<int> {
        skipBlanks();
        int value = 0, digits = 0;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) && digits < 3)
            value = value * 10 + (text[i++] - '0'), ++digits;
        skipBlanks();
        if (digits == 0 || value < 1 || value > 31)
            return std::nullopt;
        return value;
    };
    for (;;) {
        const std::optional<int> first = number();
        if (!first)
            return std::nullopt;
        int last = *first;
        if (i < text.size() && text[i] == '-') {
            ++i;
            const std::optional<int> to = number();
            if (!to || *to < *first)
                return std::nullopt;
            last = *to;
        }
        for (int d = *first; d <= last; ++d)
            days |= 1u << (d - 1);
        if (i == text.size())
            return days;
        if (text[i] != ',')
            return std::nullopt;
        ++i;
    }
}

std::string FormatMonthDays(std::uint32_t days) {
    std::string text;
    for (int d = 1; d <= 31; ++d) {
        if ((days & (1u << (d - 1))) == 0)
            continue;
        int last = d;
        while (last < 31 && (days & (1u << last)))
            ++last;
        text += (text.empty() ? "" : ",") + std::to_string(d);
        if (last - d >= 2) {
            text += "-" + std::to_string(last);
            d = last;
        }
    }
    return text;
}

TFrmTaskTrigger::TFrmTaskTrigger(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("タスクの実行日時"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    CboType = new QComboBox(this);
    CboType->addItems({QStringLiteral("1回だけ"), QStringLiteral("毎日"), QStringLiteral("毎週"),
                       QStringLiteral("毎月")});
    DateBegin = new QDateEdit(this);
    DateBegin->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    DateBegin->setCalendarPopup(true);
    TimeStart = new QTimeEdit(this);
    TimeStart->setDisplayFormat(QStringLiteral("H:mm"));
    form->addRow(QStringLiteral("実行の間隔(&R)："), CboType);
    form->addRow(QStringLiteral("開始日(&D)："), DateBegin);
    form->addRow(QStringLiteral("開始時刻(&I)："), TimeStart);
    layout->addLayout(form);

    Pages = new QStackedWidget(this);
    auto* once = new QLabel(QStringLiteral("開始日の開始時刻に1回だけ実行します．"), Pages);
    once->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    Pages->addWidget(once);

    EditDays = new QSpinBox(Pages);
    EditDays->setRange(1, 365);
    Pages->addWidget(
        WithUnit(Pages, EditDays, QStringLiteral("間隔(&V)："), QStringLiteral("日ごと")));

    auto* weekly = new QWidget(Pages);
    auto* weeklyLayout = new QGridLayout(weekly);
    weeklyLayout->setContentsMargins(0, 0, 0, 0);
    EditWeeks = new QSpinBox(weekly);
    EditWeeks->setRange(1, 52);
    weeklyLayout->addWidget(
        WithUnit(weekly, EditWeeks, QStringLiteral("間隔(&V)："), QStringLiteral("週ごと")), 0, 0,
        1, 7);
    for (int i = 0; i < 7; ++i) {
        ChkWeekDays[static_cast<std::size_t>(i)] =
            new QCheckBox(QString::fromUtf8(kWeekDays[i]), weekly);
        weeklyLayout->addWidget(ChkWeekDays[static_cast<std::size_t>(i)], 1, i);
    }
    weeklyLayout->setRowStretch(2, 1);
    Pages->addWidget(weekly);

    auto* monthly = new QWidget(Pages);
    auto* monthlyLayout = new QGridLayout(monthly);
    monthlyLayout->setContentsMargins(0, 0, 0, 0);
    auto* daysLabel = new QLabel(QStringLiteral("日付(&L)："), monthly);
    EditMonthDays = new QLineEdit(monthly);
    EditMonthDays->setPlaceholderText(QStringLiteral("例：1,15 または 1-5,20"));
    EditMonthDays->setToolTip(
        QStringLiteral("実行する日付を「,」で区切って入力します（「1-5」で1日から5日まで）．"));
    daysLabel->setBuddy(EditMonthDays);
    monthlyLayout->addWidget(daysLabel, 0, 0);
    monthlyLayout->addWidget(EditMonthDays, 0, 1, 1, 5);
    auto* months = new QGroupBox(QStringLiteral("実行する月"), monthly);
    auto* monthsLayout = new QGridLayout(months);
    for (int m = 0; m < 12; ++m) {
        ChkMonths[static_cast<std::size_t>(m)] =
            new QCheckBox(QString::number(m + 1) + QStringLiteral("月"), months);
        monthsLayout->addWidget(ChkMonths[static_cast<std::size_t>(m)], m / 6, m % 6);
    }
    monthlyLayout->addWidget(months, 1, 0, 1, 6);
    Pages->addWidget(monthly);
    layout->addWidget(Pages);

    ChkEnabled =
        new QCheckBox(QStringLiteral("有効(&E)：このスケジュールでタスクを実行する"), this);
    layout->addWidget(ChkEnabled);
    auto* buttons = OkCancel(this, BtnOk, [this] { return Store().has_value(); });
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(CboType, qOverload<int>(&QComboBox::currentIndexChanged), Pages,
            &QStackedWidget::setCurrentIndex);
}

void TFrmTaskTrigger::Load(const TTaskTrigger& trigger) {
    loaded_ = trigger;
    CboType->setCurrentIndex(static_cast<int>(trigger.TriggerType));
    Pages->setCurrentIndex(CboType->currentIndex());
    DateBegin->setDate(QDate(trigger.BeginYear, trigger.BeginMonth, trigger.BeginDay));
    TimeStart->setTime(QTime(trigger.StartHour, trigger.StartMinute));
    EditDays->setValue(trigger.DaysInterval);
    EditWeeks->setValue(trigger.WeeksInterval);
    for (std::size_t i = 0; i < ChkWeekDays.size(); ++i)
        ChkWeekDays[i]->setChecked(trigger.WeekDays & (1u << i));
    EditMonthDays->setText(QString::fromStdString(FormatMonthDays(trigger.MonthDays)));
    for (std::size_t m = 0; m < ChkMonths.size(); ++m)
        ChkMonths[m]->setChecked(trigger.Months & (1u << m));
    ChkEnabled->setChecked(trigger.Enabled());
}

std::optional<TTaskTrigger> TFrmTaskTrigger::Store() {
    TTaskTrigger t = loaded_;
    t.TriggerType = static_cast<TTriggerType>(CboType->currentIndex());
    const QDate begin = DateBegin->date();
    t.BeginYear = begin.year(), t.BeginMonth = begin.month(), t.BeginDay = begin.day();
    t.StartHour = TimeStart->time().hour(), t.StartMinute = TimeStart->time().minute();
    t.DaysInterval = EditDays->value();
    t.WeeksInterval = EditWeeks->value();
    t.WeekDays = 0;
    for (std::size_t i = 0; i < ChkWeekDays.size(); ++i)
        if (ChkWeekDays[i]->isChecked())
            t.WeekDays |= static_cast<std::uint16_t>(1u << i);
    t.Months = 0;
    for (std::size_t m = 0; m < ChkMonths.size(); ++m)
        if (ChkMonths[m]->isChecked())
            t.Months |= static_cast<std::uint16_t>(1u << m);
    const std::optional<std::uint32_t> days = ParseMonthDays(EditMonthDays->text().toStdString());
    const auto refuse = [this](const char* text, QWidget* focus) {
        ShowMessageBox(this, host::TMsgKind::Error, platform::FromUtf8(text), host::TMsgButtons::Ok,
                       MessageHook);
        focus->setFocus();
        return std::nullopt;
    };
    if (t.TriggerType == TTriggerType::Weekly && t.WeekDays == 0)
        return refuse("実行する曜日を選んでください．", ChkWeekDays[0]);
    if (t.TriggerType == TTriggerType::MonthlyDate) {
        if (!days)
            return refuse("日付は1から31までの数を「,」で区切って入力してください（例：1,15）．",
                          EditMonthDays);
        if (t.Months == 0)
            return refuse("実行する月を選んでください．", ChkMonths[0]);
    }
    if (days)
        t.MonthDays = *days;
    t.Flags = ChkEnabled->isChecked() ? (t.Flags & ~schedule::TASK_TRIGGER_FLAG_DISABLED)
                                      : (t.Flags | schedule::TASK_TRIGGER_FLAG_DISABLED);
    return t;
}

bool TFrmTaskTrigger::Execute(schedule::TTask& task, QWidget* parent,
                              const std::function<void(TFrmTaskTrigger&)>& prepare) {
    TFrmTaskTrigger dialog(parent);
    dialog.setWindowTitle(QStringLiteral("タスクの実行日時 - ") + Q(task.Name()));
    if (task.Triggers().Count() < 1)
        task.Triggers().Add();
    dialog.Load(task.Triggers().Item(0).Trigger());
    if (prepare)
        prepare(dialog);
    for (;;) {
        if (dialog.exec() != QDialog::Accepted)
            return false;
        try {
            task.Triggers().Item(0).SetTrigger(*dialog.Store());
            task.Save();
            return true;
        } catch (const std::exception& e) {
            ShowMessageBox(&dialog, host::TMsgKind::Error, e.what(), host::TMsgButtons::Ok,
                           dialog.MessageHook);
        }
    }
}

void UseTriggerDialogAsTaskEditor() {
    schedule::SetTaskEditor([](schedule::TTask& task, void* parent) {
        TFrmTaskTrigger::Execute(task, static_cast<QWidget*>(parent));
    });
}

} // namespace ui
