#pragma once

#include <QDialog>

namespace velkaro {

/// "关于 Velkaro": the program's icon, its version text, the installed
/// release and "确定".
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

} // namespace velkaro
