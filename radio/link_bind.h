// Binds radio control into the ALE link state machine, the link state module and the call
// set-up, which sit below radio control and reach it through their hooks.
#pragma once

namespace vesk {

void radio_link_bind();

}  // namespace vesk
