#include "files/parameter_file.h"
#include "link/drive_link.h"
#include "link/operator_messages.h"

#include "ui/parameter_transfer.h"

#include <QFileDialog>
#include <QFileInfo>

#include <algorithm>

namespace velkaro {

namespace {

const std::string kCaption(kInfoCaption);

bool transferUnderWay(const LinkState& state) {
    if (!state.transferBusy)
        return false;
    auto isTransfer = [](OpCode op) { return op == OpCode::Export || op == OpCode::Import; };
    if (isTransfer(state.currentOp))
        return true;
    return std::ranges::any_of(state.table.slots, [&](const DriveRecord& drive) {
        return !drive.name.empty() && isTransfer(drive.pendingOp);
    });
}

/// What refuses a new transfer: a transfer or a whole-drive read under way.
std::string_view busyWith(const LinkState& state) {
    if (state.readout.running())
        return kReadoutUnderWay;
    return transferUnderWay(state) ? kTransferUnderWay : std::string_view();
}

bool hasSelection(const LinkState& state) {
    return state.selectedSlot >= 0 && state.selectedSlot < kMaxDrives;
}

/// Takes a file that has been read into `image` and, when the selected drive
/// may take it, starts the import. Returns what the operator must be told
/// (empty when nothing).
std::string startImport(LinkState& state, const std::string& path, const ParameterFileResult& read,
                        const ParameterImage& image) {
    if (const std::string_view busy = busyWith(state); !busy.empty())
        return std::string(busy);
    state.parameterFilePath = path;
    if (!read.ok)
        return read.message;
    // The image holds the file even when the import goes no further.
    state.parameterImage = image;
    if (!hasSelection(state))
        return {};
    DriveRecord& drive = state.table.slots[state.selectedSlot];
    if ((drive.status[0] & status_bit::kRunning) != 0)
        return "请停机后再进行该操作！";
    state.transferBusy = true;
    state.transferCursor = 0;
    state.progress.position = 0;
    drive.pendingOp = OpCode::Import;
    return {};
}

} // namespace

ParameterTransfer::ParameterTransfer(QWidget* window, DriveLink& link, OperatorMessages& messages)
    : QObject(window), m_window(window), m_link(link), m_messages(messages),
      m_chooseSaveFile([this] { return runSaveDialog(); }),
      m_chooseOpenFile([this] { return runOpenDialog(); }) {}

QString ParameterTransfer::withSavExtension(const QString& chosen) {
    if (QFileInfo(chosen).suffix().isEmpty())
        return chosen + QStringLiteral(".sav");
    return chosen;
}

QString ParameterTransfer::runSaveDialog() {
    QFileDialog dialog(m_window);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QStringLiteral("存储文件(*.sav)"));
    // The suffix is added before the dialog asks about replacing, so the
    // question concerns the file that will really be written.
    dialog.setDefaultSuffix(QStringLiteral("sav"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

QString ParameterTransfer::runOpenDialog() {
    QFileDialog dialog(m_window);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({QStringLiteral("存储文件(*.sav)"), QStringLiteral("存储文件(*.*)")});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

void ParameterTransfer::exportParameters() {
    const QString chosen = m_chooseSaveFile();
    if (chosen.isEmpty())
        return;
    const std::string path = withSavExtension(chosen).toStdString();
    std::string_view busy;
    {
        auto state = m_link.lock();
        busy = busyWith(*state);
        if (busy.empty()) {
            state->parameterFilePath = path;
            if (hasSelection(*state)) {
                state->transferBusy = true;
                state->transferCursor = 0;
                state->progress.position = 0;
                state->table.slots[state->selectedSlot].pendingOp = OpCode::Export;
            }
            return;
        }
    }
    m_messages.show(std::string(busy), kCaption);
}

void ParameterTransfer::importParameters() {
    const QString chosen = m_chooseOpenFile();
    if (chosen.isEmpty())
        return;
    const std::string path = chosen.toStdString();

    // A second transfer would redirect the running export's file, overwrite
    // the image it is filling or restart it half-way.
    ParameterImage image{};
    std::string_view busy;
    {
        auto state = m_link.lock();
        busy = busyWith(*state);
        image = state->parameterImage;
    }
    if (!busy.empty()) {
        m_messages.show(std::string(busy), kCaption);
        return;
    }
    // The file is read without the lock: a slow disk must not hold up the tick.
    const ParameterFileResult read = readParameterFile(path, image);

    std::string refusal;
    {
        auto state = m_link.lock();
        refusal = startImport(*state, path, read, image);
    }
    if (!refusal.empty())
        m_messages.show(refusal, kCaption);
}

} // namespace velkaro
