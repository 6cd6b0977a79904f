// The hooks by which the lower ale folders hand up to the upper ones: the frame event handler
// to the link and its timing, the frame parser to the DTM, DBM and AQC-ALE receivers and the
// file transfers, the frame sections to the DTM and DBM senders, the send queues and file
// sends to the link. The station's wiring binds them with ale_bind_layer_hooks(), and so do
// the tests that run the ale folders without the station.
#pragma once

namespace vesk {

void ale_bind_layer_hooks();

}  // namespace vesk
