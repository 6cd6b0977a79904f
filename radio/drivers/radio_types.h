// Radio types: the one number (`RadioType`, 0 to 154) that says which radio is on the CAT
// port, and the table that ties each number to its keywords, its report name, its make and
// model and the driver family that commands it. Every radio operation switches on the number;
// "ALE.DAT" may hold any value, so every read goes through `radio_type_row`, which bounds it.
#pragma once

#include <array>
#include <cstdint>

namespace vesk {

// Which group of command builders serves a radio type.
enum class DriverFamily : uint8_t {
  None,                        // no command is ever sent
  IcomCiv,                     // Icom CI-V frames (and the TT-586)
  Kenwood,                     // Kenwood ASCII set
  KenwoodTk,                   // TK-80 / TK-90
  YaesuFiveByte,
  YaesuAscii,
  TenTec,
  TenTecReceiver,
  IcomMarine,                  // marine sentences and PCR receivers
  AlincoSkanti,
  Harris,
  Sdr1000,
  FramedBinary,
  ReceiverJrcTciCubicRacal,
  CodanXk,
  ReceiverRsCollinsAorDrakeWj,
  GenericFile,                 // byte sequences from "GENERIC.TXT"
  PluginLibrary,               // the plug-in radio library
};

struct RadioTypeRow {
  int number;
  const char* options_keyword;  // options dialog text; null: none
  const char* options_alias;    // a further text the dialog accepts; null: none
  const char* command_keyword;  // command language keyword; null: none
  const char* report_name;      // status report name; null: none
  const char* make_model;
  DriverFamily family;
};

inline constexpr int kRadioTypeCount = 155;
inline constexpr int kRadioTypeDefault = 133;  // no radio

// Radio type numbers, named after their options keyword.
inline constexpr int DB_GENERIC_ICOM = 1;
inline constexpr int DB_CODAN = 2;
inline constexpr int DB_DX77T = 3;
inline constexpr int DB_IC78 = 4;
inline constexpr int DB_IC703 = 5;
inline constexpr int DB_IC706 = 6;
inline constexpr int DB_IC706MKII = 7;
inline constexpr int DB_IC706MKIIG = 8;
inline constexpr int DB_IC707 = 9;
inline constexpr int DB_IC718 = 10;
inline constexpr int DB_IC725 = 11;
inline constexpr int DB_IC726 = 12;
inline constexpr int DB_IC728 = 13;
inline constexpr int DB_IC729 = 14;
inline constexpr int DB_IC735 = 15;
inline constexpr int DB_IC736 = 16;
inline constexpr int DB_IC737 = 17;
inline constexpr int DB_IC738 = 18;
inline constexpr int DB_IC746 = 19;
inline constexpr int DB_IC746PRO = 20;
inline constexpr int DB_IC751 = 21;
inline constexpr int DB_IC756 = 22;
inline constexpr int DB_IC756PRO = 23;
inline constexpr int DB_IC756PROII = 24;
inline constexpr int DB_IC756PROIII = 25;
inline constexpr int DB_IC761 = 26;
inline constexpr int DB_IC765 = 27;
inline constexpr int DB_IC775DSP = 28;
inline constexpr int DB_IC781 = 29;
inline constexpr int DB_IC7000 = 30;
inline constexpr int DB_IC7700 = 31;
inline constexpr int DB_IC7800 = 32;
inline constexpr int DB_R71 = 33;
inline constexpr int DB_R72 = 34;
inline constexpr int DB_R75 = 35;
inline constexpr int DB_R7000 = 36;
inline constexpr int DB_R7100 = 37;
inline constexpr int DB_R8500 = 38;
inline constexpr int DB_R9000 = 39;
inline constexpr int DB_R9500 = 40;
inline constexpr int DB_ICM700PRO = 41;
inline constexpr int DB_ICM710 = 42;
inline constexpr int DB_ICM710RT = 43;
inline constexpr int DB_ICM801E = 44;
inline constexpr int DB_ICM802 = 45;
inline constexpr int DB_ICF7000 = 46;
inline constexpr int DB_JST245 = 47;
inline constexpr int DB_K505DSP = 49;
inline constexpr int DB_KENWOOD = 51;
inline constexpr int DB_KENWOOD3 = 52;
inline constexpr int DB_KENWOOD2 = 53;
inline constexpr int DB_KENWOOD4 = 54;
inline constexpr int DB_KENWOOD_HS = 55;
inline constexpr int DB_KENWOOD3_HS = 56;
inline constexpr int DB_KENWOOD2_HS = 57;
inline constexpr int DB_KENWOOD4_HS = 58;
inline constexpr int DB_MICOM = 59;
inline constexpr int DB_SGC2000 = 60;
inline constexpr int DB_FT450 = 61;
inline constexpr int DB_FT450HS = 62;
inline constexpr int DB_FT650 = 63;
inline constexpr int DB_FT757GX = 64;
inline constexpr int DB_FT767 = 65;
inline constexpr int DB_FT600 = 66;
inline constexpr int DB_FT817 = 67;
inline constexpr int DB_FT817DIG = 68;
inline constexpr int DB_VX1700 = 69;
inline constexpr int DB_VX1700J2B = 70;
inline constexpr int DB_FT847 = 71;
inline constexpr int DB_FT890 = 72;
inline constexpr int DB_FT920 = 73;
inline constexpr int DB_FT920DATA = 74;
inline constexpr int DB_FT950 = 75;
inline constexpr int DB_FT950HS = 76;
inline constexpr int DB_FT980 = 77;
inline constexpr int DB_FT990 = 78;
inline constexpr int DB_FT1000MP = 79;
inline constexpr int DB_FT1000MP_QSS = 80;
inline constexpr int DB_FTDX9000 = 81;
inline constexpr int DB_FT2000 = 82;
inline constexpr int DB_FT2000HS = 83;
inline constexpr int DB_FRG100 = 84;
inline constexpr int DB_FRG8800 = 85;
inline constexpr int DB_VR5000 = 86;
inline constexpr int DB_HF2050 = 87;
inline constexpr int DB_NRD345 = 88;
inline constexpr int DB_NRD525 = 89;
inline constexpr int DB_NRD535 = 90;
inline constexpr int DB_NRD535D = 91;
inline constexpr int DB_NRD545 = 92;
inline constexpr int DB_WJ8711 = 93;
inline constexpr int DB_HF1000 = 94;
inline constexpr int DB_HF90M = 95;
inline constexpr int DB_RF350 = 96;
inline constexpr int DB_RF350ALK = 97;
inline constexpr int DB_RF350ALK_TNC = 98;
inline constexpr int DB_RF350KWT = 99;
inline constexpr int DB_RF5022 = 100;
inline constexpr int DB_SDR1000 = 101;
inline constexpr int DB_TT516 = 102;
inline constexpr int DB_TT538 = 103;
inline constexpr int DB_TT550 = 104;
inline constexpr int DB_TT550MA = 105;
inline constexpr int DB_TT585 = 107;
inline constexpr int DB_TT586 = 108;
inline constexpr int DB_XK2100 = 109;
inline constexpr int DB_RA6790GM = 110;
inline constexpr int DB_RA6830JD = 111;
inline constexpr int DB_PCR1000 = 112;
inline constexpr int DB_PCR1500 = 113;
inline constexpr int DB_R3030STX1 = 114;
inline constexpr int DB_R3030STX2 = 115;
inline constexpr int DB_R3030STX3 = 116;
inline constexpr int DB_RX320 = 117;
inline constexpr int DB_RX330 = 118;
inline constexpr int DB_RX331 = 119;
inline constexpr int DB_RX340 = 120;
inline constexpr int DB_RX350 = 121;
inline constexpr int DB_RF590 = 122;
inline constexpr int DB_RF590A = 123;
inline constexpr int DB_EK890 = 124;
inline constexpr int DB_EK896 = 125;
inline constexpr int DB_SKANTI_8250 = 126;
inline constexpr int DB_AR5000 = 127;
inline constexpr int DB_AR7030 = 128;
inline constexpr int DB_R8 = 129;
inline constexpr int DB_R8A = 130;
inline constexpr int DB_R8B = 131;
inline constexpr int DB_TCI8174 = 132;
inline constexpr int DB_NONE = 133;
inline constexpr int DB_FT897 = 134;
inline constexpr int DB_GENERIC = 135;
inline constexpr int DB_DLL_RADIO = 136;
inline constexpr int DB_RF5800 = 138;
inline constexpr int DB_R2411U = 139;
inline constexpr int DB_ARONE = 140;
inline constexpr int DB_AR8600 = 141;
inline constexpr int DB_TK80 = 142;
inline constexpr int DB_TK90 = 143;
inline constexpr int DB_TK90_HS = 144;
inline constexpr int DB_LCR2000 = 145;
inline constexpr int DB_EK2000 = 146;
inline constexpr int DB_R10 = 147;
inline constexpr int DB_R20 = 148;
inline constexpr int DB_IC7200 = 149;
inline constexpr int DB_WJCSMA = 150;
inline constexpr int DB_TT588RAD = 151;
inline constexpr int DB_TT588REM = 152;
inline constexpr int DB_SEA235 = 153;
inline constexpr int DB_RF3200 = 154;

inline constexpr int DB_UNKNOWN = 0;
inline constexpr int DB_TT550_EMUL = 106;  // no keyword; the emulator's TT-550 mode path only

inline constexpr std::array<RadioTypeRow, kRadioTypeCount> kRadioTypeTable{{
    {0, nullptr, nullptr, nullptr, nullptr, "no radio type known", DriverFamily::None},
    {1, "GENERIC ICOM", nullptr, nullptr, nullptr, "Icom, any CI-V radio (generic)", DriverFamily::IcomCiv},
    {2, "CODAN", nullptr, "CODAN", "CODAN", "Codan", DriverFamily::CodanXk},
    {3, "DX77T", nullptr, "DX77T", "ALINCO DX77T", "Alinco DX-77T", DriverFamily::AlincoSkanti},
    {4, "IC78", nullptr, "IC78", "ICOM IC78", "Icom IC-78", DriverFamily::IcomCiv},
    {5, "IC703", nullptr, "IC703", "ICOM IC703", "Icom IC-703", DriverFamily::IcomCiv},
    {6, "IC706", nullptr, "IC706", "ICOM IC706", "Icom IC-706", DriverFamily::IcomCiv},
    {7, "IC706MkII", nullptr, "IC706MKII", "ICOM IC706MkII", "Icom IC-706MkII", DriverFamily::IcomCiv},
    {8, "IC706MkIIG", nullptr, "IC706MKIIG", "ICOM IC706MkIIG", "Icom IC-706MkIIG", DriverFamily::IcomCiv},
    {9, "IC707", nullptr, "IC707", "ICOM IC707", "Icom IC-707", DriverFamily::IcomCiv},
    {10, "IC718", nullptr, "IC718", "ICOM IC718", "Icom IC-718", DriverFamily::IcomCiv},
    {11, "IC725", nullptr, "IC725", "ICOM IC725", "Icom IC-725", DriverFamily::IcomCiv},
    {12, "IC726", nullptr, "IC726", "ICOM IC726", "Icom IC-726", DriverFamily::IcomCiv},
    {13, "IC728", nullptr, "IC728", "ICOM IC728", "Icom IC-728", DriverFamily::IcomCiv},
    {14, "IC729", nullptr, "IC729", "ICOM IC729", "Icom IC-729", DriverFamily::IcomCiv},
    {15, "IC735", nullptr, "IC735", "ICOM IC735", "Icom IC-735", DriverFamily::IcomCiv},
    {16, "IC736", nullptr, "IC736", "ICOM IC736", "Icom IC-736", DriverFamily::IcomCiv},
    {17, "IC737", nullptr, "IC737", "ICOM IC737", "Icom IC-737", DriverFamily::IcomCiv},
    {18, "IC738", nullptr, "IC738", "ICOM IC738", "Icom IC-738", DriverFamily::IcomCiv},
    {19, "IC746", nullptr, "IC746", "ICOM IC746", "Icom IC-746", DriverFamily::IcomCiv},
    {20, "IC746PRO", nullptr, "IC746PRO", "ICOM IC746PRO", "Icom IC-746PRO", DriverFamily::IcomCiv},
    {21, "IC751", nullptr, "IC751", "ICOM IC751", "Icom IC-751", DriverFamily::IcomCiv},
    {22, "IC756", nullptr, "IC756", "ICOM IC756", "Icom IC-756", DriverFamily::IcomCiv},
    {23, "IC756PRO", nullptr, "IC756PRO", "ICOM IC756PRO", "Icom IC-756PRO", DriverFamily::IcomCiv},
    {24, "IC756PROII", nullptr, "IC756PROII", "ICOM IC756PROII", "Icom IC-756PROII", DriverFamily::IcomCiv},
    {25, "IC756PROIII", nullptr, "IC756PROIII", "ICOM IC756PROIII", "Icom IC-756PROIII", DriverFamily::IcomCiv},
    {26, "IC761", nullptr, "IC761", "ICOM IC761", "Icom IC-761", DriverFamily::IcomCiv},
    {27, "IC765", nullptr, "IC765", "ICOM IC765", "Icom IC-765", DriverFamily::IcomCiv},
    {28, "IC775DSP", nullptr, "IC7751", "ICOM IC775DSP", "Icom IC-775DSP", DriverFamily::IcomCiv},
    {29, "IC781", nullptr, "IC781", "ICOM IC781", "Icom IC-781", DriverFamily::IcomCiv},
    {30, "IC7000", nullptr, "IC7000", "ICOM IC7000", "Icom IC-7000", DriverFamily::IcomCiv},
    {31, "IC7700", nullptr, "IC7700", "ICOM IC7700", "Icom IC-7700", DriverFamily::IcomCiv},
    {32, "IC7800", nullptr, "IC7800", "ICOM IC7800", "Icom IC-7800", DriverFamily::IcomCiv},
    {33, "R71", nullptr, "R71", "ICOM IC71", "Icom R71 receiver", DriverFamily::IcomCiv},
    {34, "R72", nullptr, "R72", "ICOM IC72", "Icom R72 receiver", DriverFamily::IcomCiv},
    {35, "R75", nullptr, "R75", "ICOM IC75", "Icom R75 receiver", DriverFamily::IcomCiv},
    {36, "R7000", nullptr, "R7000", "ICOM IC7000", "Icom R7000 receiver", DriverFamily::IcomCiv},
    {37, "R7100", nullptr, "R7100", "ICOM IC7100", "Icom R7100 receiver", DriverFamily::IcomCiv},
    {38, "R8500", nullptr, "R8500", "ICOM IC8500", "Icom R8500 receiver", DriverFamily::IcomCiv},
    {39, "R9000", nullptr, "R9000", "ICOM IC9000", "Icom R9000 receiver", DriverFamily::IcomCiv},
    {40, "R9500", nullptr, "R9500", "ICOM IC9500", "Icom R9500 receiver", DriverFamily::IcomCiv},
    {41, "ICM700PRO", nullptr, "ICM700PRO", "ICOM ICF700PRO", "Icom M700PRO marine", DriverFamily::IcomMarine},
    {42, "ICM710", nullptr, "ICM710", "ICOM ICM710", "Icom M710 marine", DriverFamily::IcomMarine},
    {43, "ICM710RT", nullptr, "ICM710RT", "ICOM ICM710RT", "Icom M710RT marine", DriverFamily::IcomMarine},
    {44, "ICM801E", nullptr, "ICM801E", "ICOM ICM801E", "Icom M801E marine", DriverFamily::IcomMarine},
    {45, "ICM802", nullptr, "ICM802", "ICOM ICM802", "Icom M802 marine", DriverFamily::IcomMarine},
    {46, "ICF7000", nullptr, "ICF7000", "ICOM ICF7000", "Icom F7000", DriverFamily::IcomMarine},
    {47, "JST245", nullptr, "JST245", "JRC JST245", "JRC JST-245", DriverFamily::ReceiverJrcTciCubicRacal},
    {48, nullptr, nullptr, nullptr, nullptr, "none", DriverFamily::None},
    {49, "K505DSP", nullptr, "K505DSP", "KACHAINA 505DSP", "Kachina 505DSP", DriverFamily::FramedBinary},
    {50, nullptr, nullptr, nullptr, nullptr, "none", DriverFamily::None},
    {51, "KENWOOD", nullptr, "KENWOOD", "KENWOOD 4800 baud", "Kenwood transceiver, 4800 baud", DriverFamily::Kenwood},
    {52, "KENWOOD3", nullptr, "KENWOOD3", "KENWOOD 57600 baud", "Kenwood transceiver, 57600 baud", DriverFamily::Kenwood},
    {53, "KENWOOD2", nullptr, "KENWOOD2", "KENWOOD 9600 baud", "Kenwood transceiver, 9600 baud", DriverFamily::Kenwood},
    {54, "KENWOOD4", nullptr, "KENWOOD4", "KENWOOD 115200 baud", "Kenwood transceiver, 115200 baud", DriverFamily::Kenwood},
    {55, "KENWOOD_HS", nullptr, "KENWOOD_HS", "KENWOOD_HS 4800 baud", "Kenwood transceiver, 4800 baud, HS variant", DriverFamily::Kenwood},
    {56, "KENWOOD3_HS", nullptr, nullptr, "KENWOOD_HD 57600 baud", "Kenwood transceiver, 57600 baud, HS variant", DriverFamily::Kenwood},
    {57, "KENWOOD2_HS", nullptr, "KENWOOD2_HS", "KENWOOD_HS 9600 baud", "Kenwood transceiver, 9600 baud, HS variant", DriverFamily::Kenwood},
    {58, "KENWOOD4_HS", nullptr, nullptr, "KENWOOD_HD 115200 baud", "Kenwood transceiver, 115200 baud, HS variant", DriverFamily::Kenwood},
    {59, "MICOM", nullptr, "MICOM", "MICOM", "MICOM", DriverFamily::FramedBinary},
    {60, "SGC2000", nullptr, "SGC2000", "SGC SG2000", "SGC SG-2000", DriverFamily::FramedBinary},
    {61, "FT450", nullptr, "FT450", "YAESU FT450", "Yaesu FT-450", DriverFamily::YaesuAscii},
    {62, "FT450HS", nullptr, "FT450HS", "YAESU FT450 RTS/CTS", "Yaesu FT-450, RTS/CTS handshake", DriverFamily::YaesuAscii},
    {63, "FT650", nullptr, "FT650", "YAESU FT650", "Yaesu FT-650", DriverFamily::YaesuFiveByte},
    {64, "FT757GX", nullptr, "FT757GX", "YAESU FT757", "Yaesu FT-757GX", DriverFamily::YaesuFiveByte},
    {65, "FT767", nullptr, "FT767GX", "YAESU FT767", "Yaesu FT-767GX", DriverFamily::YaesuFiveByte},
    {66, "FT600", nullptr, "FT600", "YAESU FT600", "Yaesu FT-600", DriverFamily::YaesuFiveByte},
    {67, "FT817", nullptr, "FT817", "YAESU FT817", "Yaesu FT-817", DriverFamily::YaesuFiveByte},
    {68, "FT817DIG", nullptr, "FT817DIG", "YAESU FT817", "Yaesu FT-817, data variant", DriverFamily::YaesuFiveByte},
    {69, "VX1700", nullptr, "VX1700", "VERTEX VX1700", "Vertex VX-1700", DriverFamily::YaesuFiveByte},
    {70, "VX1700J2B", nullptr, "VX1700J2B", "VERTEX VX1700", "Vertex VX-1700, J2B variant", DriverFamily::YaesuFiveByte},
    {71, "FT847", nullptr, "FT847", "YAESU FT847", "Yaesu FT-847", DriverFamily::YaesuFiveByte},
    {72, "FT890", nullptr, "FT890", "YAESU FT890", "Yaesu FT-890", DriverFamily::YaesuFiveByte},
    {73, "FT920", nullptr, "FT920", "YAESU FT920", "Yaesu FT-920", DriverFamily::YaesuFiveByte},
    {74, "FT920DATA", nullptr, "FT920DATA", "YAESU FT920 DATA", "Yaesu FT-920, data variant", DriverFamily::YaesuFiveByte},
    {75, "FT950", nullptr, "FT950", "YAESU FT950", "Yaesu FT-950", DriverFamily::YaesuAscii},
    {76, "FT950HS", nullptr, "FT950HS", "YAESU FT950 RTS/CTS", "Yaesu FT-950, RTS/CTS handshake", DriverFamily::YaesuAscii},
    {77, "FT980", nullptr, "FT980", "YAESU FT980", "Yaesu FT-980", DriverFamily::YaesuFiveByte},
    {78, "FT990", nullptr, "FT990", "YAESU FT990", "Yaesu FT-990", DriverFamily::YaesuFiveByte},
    {79, "FT1000MP", nullptr, "FT1000", "YAESU FT1000MP", "Yaesu FT-1000MP", DriverFamily::YaesuFiveByte},
    {80, "FT1000MP_QSS", nullptr, "FT1000_QSS", "YAESU FT1000MMP QS/S", "Yaesu FT-1000MP with QS/S", DriverFamily::YaesuFiveByte},
    {81, "FTDX9000", nullptr, "FTDX9000", "YAESU FTdx9000", "Yaesu FTdx9000", DriverFamily::YaesuAscii},
    {82, "FT2000", nullptr, "FT2000", "YAESU FT2000", "Yaesu FT-2000", DriverFamily::YaesuAscii},
    {83, "FT2000HS", nullptr, "FT2000HS", "YAESU FT2000 RTS/CTS", "Yaesu FT-2000, RTS/CTS handshake", DriverFamily::YaesuAscii},
    {84, "FRG100", nullptr, "FRG100", "YAESU FRG100", "Yaesu FRG-100 receiver", DriverFamily::YaesuFiveByte},
    {85, "FRG8800", nullptr, "FRG8800", "YAESU FRG8800", "Yaesu FRG-8800 receiver", DriverFamily::YaesuFiveByte},
    {86, "VR5000", nullptr, "VR5000", "YAESU VR5000", "Yaesu VR-5000 receiver", DriverFamily::YaesuFiveByte},
    {87, "HF2050", nullptr, "HF2050BRD", "COLLINS HF2050", "Collins HF-2050", DriverFamily::ReceiverRsCollinsAorDrakeWj},
    {88, "NRD345", nullptr, "NRD345", "JRC NRD345", "JRC NRD-345 receiver", DriverFamily::ReceiverJrcTciCubicRacal},
    {89, "NRD525", nullptr, "NRD525", "JRC NRD525", "JRC NRD-525 receiver", DriverFamily::ReceiverJrcTciCubicRacal},
    {90, "NRD535", nullptr, "NRD535", "JRC NRD535", "JRC NRD-535 receiver", DriverFamily::ReceiverJrcTciCubicRacal},
    {91, "NRD535D", nullptr, "NRD535D", "JRC NRD535D", "JRC NRD-535D receiver", DriverFamily::ReceiverJrcTciCubicRacal},
    {92, "NRD545", nullptr, "NRD545", "JRC NRD545", "JRC NRD-545 receiver", DriverFamily::ReceiverJrcTciCubicRacal},
    {93, "WJ8711", nullptr, "WJ8711", "WATKINS JOHNSON WJ-8711", "Watkins-Johnson WJ-8711 receiver", DriverFamily::ReceiverRsCollinsAorDrakeWj},
    {94, "HF1000", nullptr, "HF1000", "WATKINS JOHNSON HF-1000", "Watkins-Johnson HF-1000 receiver", DriverFamily::ReceiverRsCollinsAorDrakeWj},
    {95, "HF90M", nullptr, nullptr, nullptr, "HF90M", DriverFamily::CodanXk},
    {96, "RF350", nullptr, "RF350", "HARRIS RF350", "Harris RF-350", DriverFamily::Harris},
    {97, "RF350ALK", nullptr, "RF350ALK", "HARRIS RF350ALK", "Harris RF-350, ALK variant", DriverFamily::Harris},
    {98, "RF350ALK_TNC", nullptr, "RF350ALK_AUD2", "HARRIS RF350ALK TNC", "Harris RF-350, ALK variant through a TNC", DriverFamily::Harris},
    {99, "RF350KWT", nullptr, "RF350KWT", "HARRIS RF350KWT", "Harris RF-350, KWT variant", DriverFamily::Harris},
    {100, "RF5022", nullptr, "RF5022", "HARRIS RF5022", "Harris RF-5022", DriverFamily::Harris},
    {101, "SDR1000", nullptr, "SDR1000", nullptr, "SDR-1000", DriverFamily::Sdr1000},
    {102, "TT516", nullptr, "TT516", nullptr, "Ten-Tec TT-516 (Argonaut V)", DriverFamily::TenTec},
    {103, "TT538", nullptr, "TT538", "TEN TEC TT538", "Ten-Tec TT-538", DriverFamily::TenTec},
    {104, "TT550", nullptr, "TT550", "TEN TEC TT550", "Ten-Tec TT-550 (Pegasus)", DriverFamily::TenTecReceiver},
    {105, "TT550MA", nullptr, "TT550MA", "TEN TEC TT550MA", "Ten-Tec TT-550, MIC/AUX variant", DriverFamily::TenTecReceiver},
    {106, nullptr, nullptr, nullptr, nullptr, "none (only the emulator sets a TT-550 mode for it)", DriverFamily::None},
    {107, "TT585", nullptr, "TT585", "TEN TEC TT585", "Ten-Tec TT-585", DriverFamily::TenTec},
    {108, "TT586", nullptr, "TT586", "TEN TEC TT586", "Ten-Tec TT-586 (CI-V)", DriverFamily::IcomCiv},
    {109, "XK2100", nullptr, "XK2100", "R&S XK2100", "R&S XK2100", DriverFamily::CodanXk},
    {110, "RA6790GM", nullptr, "RA6790GM", "RACAL RA6790GM", "Racal RA6790GM receiver", DriverFamily::ReceiverJrcTciCubicRacal},
    {111, "RA6830JD", nullptr, "RA6830JD", "RACAL RA6830JD", "Racal RA6830JD receiver", DriverFamily::ReceiverJrcTciCubicRacal},
    {112, "PCR1000", nullptr, "PCR1000", "ICOM PCR1000", "Icom PCR-1000 receiver", DriverFamily::IcomMarine},
    {113, "PCR1500", nullptr, "PCR1500", "ICOM PCR1500", "Icom PCR-1500 receiver", DriverFamily::IcomMarine},
    {114, "R3030STX1", nullptr, "R3030STX1", "CUBIC R3030STX1", "Cubic R3030, STX 1", DriverFamily::ReceiverJrcTciCubicRacal},
    {115, "R3030STX2", nullptr, "R3030STX2", "CUBIC R3030STX2", "Cubic R3030, STX 2", DriverFamily::ReceiverJrcTciCubicRacal},
    {116, "R3030STX3", nullptr, "R3030STX4", "CUBIC R3030STX3", "Cubic R3030, STX 3", DriverFamily::ReceiverJrcTciCubicRacal},
    {117, "RX320", nullptr, "RX320", "TEN TEX RX320", "Ten-Tec RX-320 receiver", DriverFamily::TenTecReceiver},
    {118, "RX330", nullptr, "RX330", "TEN TEX RX330", "Ten-Tec RX-330 receiver", DriverFamily::TenTecReceiver},
    {119, "RX331", nullptr, "RX331", "TEN TEX RX331", "Ten-Tec RX-331 receiver", DriverFamily::TenTecReceiver},
    {120, "RX340", nullptr, "RX340", "TEN TEX RX340", "Ten-Tec RX-340 receiver", DriverFamily::TenTecReceiver},
    {121, "RX350", nullptr, "RX350", "TEN TEX RX350", "Ten-Tec RX-350 receiver", DriverFamily::TenTecReceiver},
    {122, "RF590", nullptr, "RF590", "HARRIS RF590", "Harris RF-590 receiver", DriverFamily::Harris},
    {123, "RF590A", nullptr, "RF590A", "HARRIS RF590A", "Harris RF-590A receiver", DriverFamily::Harris},
    {124, "EK890", nullptr, "EK890", "R&S EK890", "R&S EK890 receiver", DriverFamily::ReceiverRsCollinsAorDrakeWj},
    {125, "EK896", nullptr, "EK896", "R&S EK896", "R&S EK896 receiver", DriverFamily::ReceiverRsCollinsAorDrakeWj},
    {126, "SKANTI-8250", nullptr, "SKANTI8250", "SKNATI 8250", "Skanti 8250", DriverFamily::AlincoSkanti},
    {127, "AR5000", nullptr, "AR5000", "AOR AR5000", "AOR AR5000 receiver", DriverFamily::ReceiverRsCollinsAorDrakeWj},
    {128, "AR7030", nullptr, "AR7030", nullptr, "AOR AR7030 receiver", DriverFamily::FramedBinary},
    {129, "R8", nullptr, "R8", "DRAKE R8", "Drake R8 receiver", DriverFamily::ReceiverRsCollinsAorDrakeWj},
    {130, "R8A", nullptr, "R8A", "DRAKE R8A", "Drake R8A receiver", DriverFamily::ReceiverRsCollinsAorDrakeWj},
    {131, "R8B", nullptr, "R8B", "DRAKE R8B", "Drake R8B receiver", DriverFamily::ReceiverRsCollinsAorDrakeWj},
    {132, "TCI8174", nullptr, "TCI8174", "TCI 8174", "TCI 8174 receiver", DriverFamily::ReceiverJrcTciCubicRacal},
    {133, "NONE", "FT100", "NONE", "YAESU FT100", "no radio", DriverFamily::None},
    {134, "FT897", nullptr, "FT897", "YAESU FT897", "Yaesu FT-897", DriverFamily::YaesuFiveByte},
    {135, "GENERIC", nullptr, nullptr, nullptr, "generic radio described by a command file", DriverFamily::GenericFile},
    {136, "DLL-RADIO", nullptr, nullptr, nullptr, "plug-in radio library", DriverFamily::PluginLibrary},
    {137, nullptr, nullptr, nullptr, nullptr, "none", DriverFamily::None},
    {138, "RF5800", nullptr, "PRC150", "HARRIS RF5800", "Harris RF-5800", DriverFamily::Harris},
    {139, "R2411U", nullptr, "R2411U", "CUBIC R2411U", "Cubic R2411U receiver", DriverFamily::ReceiverJrcTciCubicRacal},
    {140, "ARONE", nullptr, "AR1", "AOR ARONE", "AOR AR-ONE receiver", DriverFamily::ReceiverRsCollinsAorDrakeWj},
    {141, "AR8600", nullptr, "AR8600", "AOR AR8600", "AOR AR8600 receiver", DriverFamily::ReceiverRsCollinsAorDrakeWj},
    {142, "TK80", nullptr, "TK80", "TK80", "TK-80", DriverFamily::KenwoodTk},
    {143, "TK90", nullptr, "TK90", "TK90", "TK-90", DriverFamily::KenwoodTk},
    {144, "TK90_HS", nullptr, "TK90_HS", "TK90_HS", "TK-90, high speed", DriverFamily::KenwoodTk},
    {145, "LCR2000", nullptr, "LCR2000", "LCR2000", "LCR-2000", DriverFamily::FramedBinary},
    {146, "EK2000", nullptr, "EK2000", "R&S EK2000", "R&S EK2000 receiver", DriverFamily::ReceiverRsCollinsAorDrakeWj},
    {147, "R10", nullptr, nullptr, "ICOM IC10", "Icom R10 receiver", DriverFamily::IcomCiv},
    {148, "R20", nullptr, nullptr, "ICOM IC20", "Icom R20 receiver", DriverFamily::IcomCiv},
    {149, "IC7200", nullptr, "IC7200", "ICOM IC7200", "Icom IC-7200", DriverFamily::IcomCiv},
    {150, "WJCSMA", nullptr, "WJCSMA", "WJCSMA", "WJCSMA", DriverFamily::FramedBinary},
    {151, "TT588RAD", nullptr, "TT588rad", "TEN TEC TT588rad", "Ten-Tec TT-588, radio port", DriverFamily::TenTec},
    {152, "TT588REM", nullptr, "TT588rem", "TEN TEC TT588rem", "Ten-Tec TT-588, remote port", DriverFamily::TenTec},
    {153, "SEA235", nullptr, "SEA235", "SEA235", "SEA 235", DriverFamily::CodanXk},
    {154, "RF3200", nullptr, "RF3200", "HARRIS RF3200", "Harris RF-3200", DriverFamily::Harris},
}};

// True for 0 .. 154.
constexpr bool radio_type_valid(int type) { return type >= 0 && type < kRadioTypeCount; }
// The row of a type; a number outside 0 .. 154 reads as row 0 (no radio type known).
constexpr const RadioTypeRow& radio_type_row(int type) {
  return kRadioTypeTable[static_cast<std::size_t>(radio_type_valid(type) ? type : 0)];
}
constexpr DriverFamily radio_type_family(int type) { return radio_type_row(type).family; }

// The type whose options keyword (or alias) equals `text` exactly, case-sensitive; 0 when none.
int radio_type_from_options_keyword(const char* text);
// The type whose command keyword equals `text` exactly; -1 when none.
int radio_type_from_command_keyword(const char* text);
// The options keyword of a type, "UNKNOWN" for a number without one.
const char* radio_type_options_text(int type);

// Mode codes of a channel, as every set-mode builder takes them.
inline constexpr int MODE_LSB = 0;
inline constexpr int MODE_USB = 1;
inline constexpr int MODE_CW = 2;
inline constexpr int MODE_FM = 3;
inline constexpr int MODE_FMW = 4;
inline constexpr int MODE_AM = 5;
inline constexpr int MODE_FSK = 6;
inline constexpr int MODE_RTTY = 7;
inline constexpr int MODE_CW_R = 8;
inline constexpr int MODE_TUNE = 9;
inline constexpr int MODE_FSK_R = 10;
inline constexpr int MODE_LSB_D = 21;
inline constexpr int MODE_USB_D = 22;
inline constexpr int MODE_UNKNOWN_KEYWORD = 25;  // what an unknown mode keyword reads as

struct ModeCodeName {
  int code;
  const char* keyword;  // the command language's name
};
inline constexpr std::array<ModeCodeName, 13> kModeCodeNames{{
    {MODE_LSB, "LSB"}, {MODE_USB, "USB"}, {MODE_CW, "CW"}, {MODE_FM, "FM"}, {MODE_FMW, "FMW"},
    {MODE_AM, "AM"}, {MODE_FSK, "FSK"}, {MODE_RTTY, "RTTY"}, {MODE_CW_R, "CW_R"},
    {MODE_TUNE, "TUNE"}, {MODE_FSK_R, "FSK_R"}, {MODE_LSB_D, "LSB-D"}, {MODE_USB_D, "USB-D"},
}};

// The command language's name of a mode code, or null for an unnamed code.
const char* mode_code_keyword(int code);
// The code of a mode keyword (exact, case-sensitive); 25 for an unknown keyword.
int mode_code_from_keyword(const char* keyword);

}  // namespace vesk
