#pragma once

#include <QDialog>
#include <QString>

#include <optional>
#include <string>
#include <string_view>

class QLineEdit;

namespace velkaro {

class OperatorMessages;
class XpButton;

/// The three texts of the parameter being changed, as the list shows them.
struct AmendTexts {
    QString number;  ///< code and name with one space between
    QString range;   ///< settable range
    QString current; ///< current value
};

/// What a parameter's register can hold: signed (-32768..32767) for a signed
/// parameter (format bit 0x20), else unsigned (0..65535).
struct RegisterKind {
    unsigned decimals = 0;
    bool isSigned = false;
};

/// "变频器参数修改": shows a parameter's number, range and current value and
/// takes its new value. "保存" (default button, Enter) confirms; the caption
/// button or Escape cancels and leaves newText() empty.
class AmendDialog : public QDialog {
    Q_OBJECT
public:
    /// `filled` false leaves the three read-only boxes empty (no drive selected).
    AmendDialog(QWidget* parent, OperatorMessages& messages, const AmendTexts& texts, bool filled,
                RegisterKind kind);

    /// Text of the new-value box as confirmed; empty unless "保存" closed the dialog.
    QString newText() const { return m_confirmedText; }

    /// Why `text` cannot be written to a register of `kind` (not a number, or
    /// beyond the register), or none when its scaled value fits (empty text
    /// fits: it writes nothing).
    static std::optional<std::string> refusalFor(std::string_view text, RegisterKind kind);

    QLineEdit* numberBox() const { return m_number; }
    QLineEdit* rangeBox() const { return m_range; }
    QLineEdit* currentBox() const { return m_current; }
    QLineEdit* newValueBox() const { return m_newValue; }
    XpButton* saveButton() const { return m_save; }

public:
    /// "保存": refuses a value the register cannot hold, else confirms.
    void accept() override;

private:
    OperatorMessages& m_messages;
    RegisterKind m_kind;
    QLineEdit* m_number = nullptr;
    QLineEdit* m_range = nullptr;
    QLineEdit* m_current = nullptr;
    QLineEdit* m_newValue = nullptr;
    XpButton* m_save = nullptr;
    QString m_confirmedText;
};

} // namespace velkaro
