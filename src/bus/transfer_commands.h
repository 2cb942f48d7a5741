#pragma once

namespace velkaro {

/// `velkaro-bus export|import --device PATH --address A FILE`: identifies the
/// drive at A, then runs the parameter transfer. Returns the exit status.
int runTransferCommand(int argc, char** argv);

} // namespace velkaro
