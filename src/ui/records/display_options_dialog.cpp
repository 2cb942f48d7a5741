#include "ui/records/display_options_dialog.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

#include "link/operator_messages.h"
#include "records/station_name.h"
#include "registry/language.h"
#include "ui/dialog_look.h"
#include "ui/records/station_settings.h"
#include "widgets/dialog_units.h"
#include "widgets/skinned_button.h"

namespace velkaro {
namespace {

const QColor kDialogColour(160, 180, 220);
const QColor kFieldColour(233, 233, 220);

constexpr uint32_t kWindowMinHours = 1;
constexpr uint32_t kWindowMaxHours = 72;
constexpr uint32_t kIntervalMinSeconds = 1;
constexpr uint32_t kIntervalMaxSeconds = 120;
constexpr uint32_t kStorageMinHours = 12;
constexpr uint32_t kStorageMaxHours = 72;

QPalette fieldPalette(QPalette palette) {
    palette.setColor(QPalette::Base, kFieldColour);
    palette.setColor(QPalette::Text, Qt::black);
    return palette;
}

} // namespace

DisplayOptionsDialog::DisplayOptionsDialog(QWidget* parent, DisplayOptions& options,
                                           std::vector<std::string> connectedNames,
                                           OperatorMessages& messages)
    : QDialog(parent), m_options(options), m_names(std::move(connectedNames)),
      m_messages(messages) {
    setWindowTitle(tr("显示属性"));
    setFont(stationFont());
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kDialogColour);
    palette.setColor(QPalette::WindowText, Qt::black);
    setPalette(palette);
    setAutoFillBackground(true);
    const DialogUnits units(font());
    setFixedSize(units.size(223, 176));

    m_window = addNumberField(12, tr("显示数据的存储时间"), tr("小时以内"));
    m_interval = addNumberField(32, tr("数据采集间隙时间"), tr("秒"));
    m_storage = addNumberField(52, tr("数据最大存储时间"), tr("小时"));
    m_window->setObjectName(QStringLiteral("field1092"));
    m_interval->setObjectName(QStringLiteral("field1088"));
    m_storage->setObjectName(QStringLiteral("field1089"));

    auto* listLabel = new QLabel(tr("显示的变频器名字"), this);
    listLabel->setGeometry(units.rect(12, 74, 80, 10));
    m_drives = new QComboBox(this);
    m_drives->setObjectName(QStringLiteral("list1090"));
    m_drives->setGeometry(units.rect(96, 72, 110, 14));
    m_drives->setPalette(fieldPalette(m_drives->palette()));
    m_drives->addItem(QStringLiteral("ALL"));
    for (const std::string& name : m_names) {
        m_drives->addItem(QString::fromStdString(name));
    }
    m_drives->setCurrentIndex(0);

    auto* stationLabel = new QLabel(tr("本站站名"), this);
    stationLabel->setGeometry(units.rect(12, 94, 80, 10));
    m_station = new QLineEdit(QString::fromStdString(m_options.stationName), this);
    m_station->setObjectName(QStringLiteral("fieldStation"));
    m_station->setGeometry(units.rect(96, 92, 110, 14));
    m_station->setPalette(fieldPalette(m_station->palette()));
    m_station->setMaxLength(kStationNameMaxLength);
    if (m_options.stationFromCommandLine) {
        m_station->setReadOnly(true);
        m_station->setToolTip(tr("站名由命令行 --station 给定"));
    }

    // The language is read once at start: the windows are not rebuilt on a change.
    auto* languageLabel = new QLabel(tr("语言"), this);
    languageLabel->setGeometry(units.rect(12, 114, 80, 10));
    m_language = new QComboBox(this);
    m_language->setObjectName(QStringLiteral("listLanguage"));
    m_language->setGeometry(units.rect(96, 112, 110, 14));
    m_language->setPalette(fieldPalette(m_language->palette()));
    // Each language by its own name, so it can be found whatever is shown now.
    m_language->addItem(QStringLiteral("中文"), QStringLiteral("zh"));
    m_language->addItem(QStringLiteral("English"), QStringLiteral("en"));
    m_language->setCurrentIndex(displayLanguage() == Language::English ? 1 : 0);
    auto* languageNote = new QLabel(tr("更改的语言在下次启动时生效"), this);
    languageNote->setObjectName(QStringLiteral("languageNote"));
    languageNote->setGeometry(units.rect(96, 128, 120, 10));

    m_confirm = new XpButton(tr("确定"), this);
    m_confirm->setBackgroundColor(kButtonColour);
    m_confirm->setHoverColor(SkinnedButton::defaultHoverColor());
    m_confirm->setGeometry(units.rect(86, 150, 50, 16));
    m_confirm->setDefault(true);
    connect(m_confirm, &QPushButton::clicked, this, &DisplayOptionsDialog::confirm);

    m_window->setText(QString::number(m_options.displayWindowHours));
    m_storage->setText(QString::number(m_options.maxStorageHours));
    m_interval->setText(QString::number(m_options.recordIntervalMs / 1000));
}

QLineEdit* DisplayOptionsDialog::addNumberField(int y, const QString& label, const QString& unit) {
    const DialogUnits units(font());
    auto* caption = new QLabel(label, this);
    caption->setGeometry(units.rect(12, y + 2, 80, 10));
    auto* field = new QLineEdit(this);
    field->setGeometry(units.rect(96, y, 40, 14));
    field->setPalette(fieldPalette(field->palette()));
    // Digits only, as a number edit; the range is checked on "确定".
    field->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,9}")), field));
    auto* unitLabel = new QLabel(unit, this);
    unitLabel->setGeometry(units.rect(140, y + 2, 50, 10));
    return field;
}

bool DisplayOptionsDialog::readField(QLineEdit* field, uint32_t minimum, uint32_t maximum,
                                     uint32_t& value) {
    bool isNumber = false;
    const qulonglong number = field->text().trimmed().toULongLong(&isNumber);
    if (isNumber && number >= minimum && number <= maximum) {
        value = static_cast<uint32_t>(number);
        return true;
    }
    m_messages.show(tr("请输入 %1 到 %2 之间的整数。").arg(minimum).arg(maximum).toStdString(),
                    std::string());
    field->setFocus();
    field->selectAll();
    return false;
}

bool DisplayOptionsDialog::readStation(std::string& name) {
    name = m_station->text().toStdString();
    const std::string problem = stationNameProblem(name);
    if (problem.empty()) {
        return true;
    }
    m_messages.show(problem + translated("StationName", "。"), std::string());
    m_station->setFocus();
    m_station->selectAll();
    return false;
}

void DisplayOptionsDialog::confirm() {
    uint32_t windowHours = 0;
    uint32_t intervalSeconds = 0;
    uint32_t storageHours = 0;
    std::string station;
    if (!readField(m_window, kWindowMinHours, kWindowMaxHours, windowHours) ||
        !readField(m_interval, kIntervalMinSeconds, kIntervalMaxSeconds, intervalSeconds) ||
        !readField(m_storage, kStorageMinHours, kStorageMaxHours, storageHours) ||
        !readStation(station)) {
        return;
    }
    if (station != m_options.stationName && !m_options.stationFromCommandLine &&
        !saveStationName(station)) {
        m_messages.show(tr("站名不能保存（设置文件不能写入），只用于本次运行。").toStdString(),
                        std::string(kInfoCaption));
    }
    Language language = displayLanguage();
    parseLanguage(m_language->currentData().toString().toStdString(), language);
    if (language != displayLanguage() && !saveLanguage(language)) {
        m_messages.show(tr("语言不能保存（设置文件不能写入）。").toStdString(),
                        std::string(kInfoCaption));
    }
    m_options.stationName = station;
    m_options.displayWindowHours = windowHours;
    m_options.maxStorageHours = storageHours;
    m_options.recordIntervalMs = intervalSeconds * 1000;
    const int entry = m_drives->currentIndex();
    m_options.displayDriveName = entry >= 1 && static_cast<std::size_t>(entry) <= m_names.size()
                                     ? m_names[static_cast<std::size_t>(entry) - 1]
                                     : std::string("*");
    accept();
}

} // namespace velkaro
