#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;

namespace velkaro {

class XpButton;

/// "变频器重命名": shows the selected drive's current name and takes a new
/// one, kept exactly as typed. "取消" is the default button.
class RenameDialog : public QDialog {
    Q_OBJECT
public:
    explicit RenameDialog(const QString& currentName, QWidget* parent = nullptr);

    /// The new name after "确定", empty after "取消".
    QString renameRequest() const { return m_renameRequest; }

    QLineEdit* currentNameEdit() const { return m_current; }
    QLineEdit* newNameEdit() const { return m_new; }

public:
    void accept() override;
    void reject() override;

private:
    QLineEdit* m_current = nullptr;
    QLineEdit* m_new = nullptr;
    XpButton* m_okButton = nullptr;
    XpButton* m_cancelButton = nullptr;
    QString m_renameRequest;
};

} // namespace velkaro
