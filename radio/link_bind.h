// Binds radio control into the ALE link state machine and the call set-up, which sit below
// radio control and reach it through their hooks (the link state module's own radio hooks
// are bound with the rest of radio control).
#pragma once

namespace vesk {

void radio_link_bind();

}  // namespace vesk
