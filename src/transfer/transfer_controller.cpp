#include "transfer/transfer_controller.h"

namespace zem {

TransferController::TransferController(Editor& editor, Prompts& prompts, QObject* parent)
    : QObject(parent), editor_(editor), prompts_(prompts) {}

TransferController::~TransferController() = default;

void TransferController::File2Click() {}
void TransferController::Serial1Click() {}
void TransferController::Telnet1Click() {}
void TransferController::Import1Click() {}
void TransferController::Export1Click() {}
void TransferController::Cancel() {}
void TransferController::FormClose() {}

}  // namespace zem
