#include "radio/family_ops.h"

#include "radio/drivers/cat_contract.h"

namespace vesk {

const FamilyOps& family_ops(DriverFamily family) {
  static const FamilyOps kNone{};
  switch (family) {
    case DriverFamily::IcomCiv: return kIcomCivOps;
    case DriverFamily::Kenwood: return kKenwoodOps;
    case DriverFamily::KenwoodTk: return kKenwoodTkOps;
    case DriverFamily::YaesuFiveByte: return kYaesuFiveByteOps;
    case DriverFamily::YaesuAscii: return kYaesuAsciiOps;
    case DriverFamily::TenTec: return kTenTecOps;
    case DriverFamily::TenTecReceiver: return kTenTecReceiverOps;
    case DriverFamily::IcomMarine: return kIcomMarineOps;
    case DriverFamily::AlincoSkanti: return kAlincoSkantiOps;
    case DriverFamily::FramedBinary: return kFramedBinaryOps;
    case DriverFamily::Harris: return kHarrisOps;
    case DriverFamily::JrcReceiver: return kJrcReceiverOps;
    case DriverFamily::TextRadio: return kTextRadioOps;
    case DriverFamily::ChannelRadio: return kChannelRadioOps;
    case DriverFamily::GenericFile: return kGenericFileOps;
    case DriverFamily::PluginLibrary: return kPluginLibraryOps;
    default: return kNone;
  }
}

const RadioTypeRow& configured_radio() { return radio_type_row(driver_radio_type()); }

}  // namespace vesk
