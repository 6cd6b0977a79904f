// The received-AMD store flush: each AMD text held by the frame context is stored in the
// station database's AMD ring, shown in the log, reported to the host port and handed to the
// remote-command interpreter.
#pragma once

namespace vesk {

// Flushes the AMD texts of the current 141A frame.
void ale_amd_store_flush();
// The AQC-ALE form: the AQC AMD line with the CRC state of the text, no remote commands.
void aqc_amd_store_flush();

}  // namespace vesk
