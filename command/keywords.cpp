#include "command/keywords.h"

#include <cstring>

namespace vesk {

const MmiKeyword MmiKeywordTable[kMmiKeywordCount + 1] = {
    {"AQC", 14}, {"AQCBURST", 15}, {"LIST", 1}, {"QUIT", 2}, {"CHANNELS", 8}, {"OWN", 3},
    {"OTHER", 4}, {"NET", 18}, {"RESOURCES", 400}, {"RELEASERADIO1", 384}, {"RELEASERADIO2", 385},
    {"RELEASEALTPTT", 386}, {"RELEASEPCSDM", 387}, {"ALECHAN", 6}, {"AFGAIN", 218}, {"MUTING", 217},
    {"CATMUTE", 216}, {"PTTSTATUS", 228}, {"ADD", 9}, {"DELETE", 10}, {"CALL", 11}, {"CLEAR", 12},
    {"HELP", 13}, {"SAVE", 16}, {"LOAD", 172}, {"KILL", 17}, {"SET", 19}, {"GROUP", 20},
    {"KAME", 317}, {"KAMPLUS", 318}, {"KAMXL", 319}, {"KAM98", 320}, {"HK232", 321}, {"PK232", 322},
    {"PK900", 323}, {"DSP232", 324}, {"DSP1232", 325}, {"DSP2232", 326}, {"SCSPTCI", 327},
    {"SCSPTCII", 328}, {"MFJ1276", 329}, {"MFJ1278B", 330}, {"DXP38", 331}, {"DSP4100", 332},
    {"GENERIC", 333}, {"MODEM", 335}, {"DELAY", 397}, {"RADCMD", 388}, {"HEXRADCMD", 389},
    {"RADIO", 167}, {"NONE", 21}, {"CODAN", 22}, {"DX77T", 23}, {"FT450", 24}, {"FT450HS", 25},
    {"FT600", 26}, {"FT650", 27}, {"FT757GX", 28}, {"FT767GX", 29}, {"FT817", 30}, {"FT817DIG", 31},
    {"VX1700", 32}, {"VX1700J2B", 33}, {"FT847", 34}, {"FT897", 35}, {"FT890", 36}, {"FT920", 37},
    {"FT920DATA", 38}, {"FT950", 39}, {"FT950HS", 40}, {"FT980", 42}, {"FT990", 41}, {"FT1000", 45},
    {"FT2000", 43}, {"FT2000HS", 44}, {"FT1000_QSS", 46}, {"FTDX9000", 47}, {"IC78", 52},
    {"IC703", 48}, {"IC706", 49}, {"IC706MKII", 50}, {"IC706MKIIG", 51}, {"IC707", 53},
    {"IC718", 54}, {"IC725", 55}, {"IC726", 56}, {"IC728", 57}, {"IC729", 58}, {"IC735", 59},
    {"IC736", 60}, {"IC737", 61}, {"IC738", 62}, {"IC746", 63}, {"IC746PRO", 65}, {"IC751", 66},
    {"IC756", 67}, {"IC756PRO", 68}, {"IC756PROII", 69}, {"IC756PROIII", 70}, {"IC761", 74},
    {"IC765", 75}, {"IC7751", 76}, {"IC781", 77}, {"IC7000", 78}, {"IC7200", 64}, {"IC7700", 79},
    {"IC7800", 80}, {"ICM700PRO", 81}, {"ICM710", 82}, {"ICM710RT", 83}, {"ICF7000", 86},
    {"ICM801E", 84}, {"ICM802", 85}, {"JST245", 87}, {"K505DSP", 90}, {"KENWOOD", 91},
    {"KENWOOD2", 92}, {"KENWOOD3", 93}, {"KENWOOD4", 94}, {"KENWOOD_HS", 95}, {"KENWOOD2_HS", 97},
    {"KENWOOD3", 98}, {"KENWOOD4", 99}, {"RF350", 112}, {"RF350ALK", 113}, {"RF350ALK_AUD2", 114},
    {"RF350KWT", 115}, {"RF590", 119}, {"RF590A", 120}, {"PRC150", 117}, {"RF5022", 116},
    {"MICOM", 164}, {"SDR1000", 88}, {"TK80", 71}, {"TK90", 72}, {"TK90_HS", 73}, {"SGC2000", 121},
    {"SKANTI8250", 100}, {"SEA235", 118}, {"TT516", 122}, {"TT538", 123}, {"TT588rad", 127},
    {"TT588rem", 128}, {"TT550", 124}, {"TT550MA", 125}, {"TT585", 129}, {"TT586", 130},
    {"XK2100", 89}, {"AR7030", 101}, {"EK890", 103}, {"EK896", 104}, {"EK2000", 105},
    {"LCR2000", 102}, {"FRG100", 106}, {"FRG8800", 107}, {"HF1000", 108}, {"HF2050BRD", 109},
    {"NRD345", 131}, {"NRD525", 132}, {"NRD535", 133}, {"NRD535D", 134}, {"NRD545", 135},
    {"PCR1000", 110}, {"PCR1500", 111}, {"R8", 137}, {"R8A", 138}, {"R8B", 139}, {"R71", 142},
    {"R72", 143}, {"R75", 144}, {"R7000", 145}, {"R7100", 146}, {"R8500", 147}, {"R9000", 149},
    {"R9500", 150}, {"WJCSMA", 96}, {"R2411U", 148}, {"R3030STX1", 151}, {"R3030STX2", 152},
    {"R3030STX4", 153}, {"RA6790GM", 154}, {"RA6830JD", 155}, {"RX320", 156}, {"RX330", 157},
    {"RX331", 158}, {"RX340", 159}, {"RX350", 160}, {"TCI8174", 161}, {"VR5000", 162},
    {"WJ8711", 165}, {"RF3200", 166}, {"AR1", 126}, {"AR5000", 163}, {"AR8600", 136},
    {"TRANSMIT", 390}, {"CR1", 392}, {"CR2", 394}, {"LFCR", 395}, {"LF1", 391}, {"LF2", 393},
    {"TNC", 215}, {"CMD", 276}, {"/A", 233}, {"/B", 234}, {"/C", 235}, {"/D", 236}, {"/E", 209},
    {"/O", 237}, {"/R", 238}, {"/T", 239}, {"/X", 240}, {"/Z", 241}, {"/0", 268}, {"/1", 269},
    {"/2", 270}, {"/3", 271}, {"A/", 242}, {"C/", 244}, {"D/", 245}, {"E/", 246}, {"F/", 247},
    {"G/", 248}, {"I/", 250}, {"J/", 251}, {"K/", 252}, {"L/", 253}, {"M/", 254}, {"N/", 255},
    {"O/", 256}, {"P/", 257}, {"Q/", 258}, {"R/", 259}, {"S/", 260}, {"T/", 261}, {"U/", 262},
    {"V/", 263}, {"W/", 264}, {"X/", 265}, {"Y/", 266}, {"Z/", 267}, {"ESC", 277}, {"MSG", 279},
    {"GTOR", 226}, {"GMON", 230}, {"ENTER", 278}, {"MARK", 227}, {"SPACE", 229}, {"PACTOR", 231},
    {"PLISTEN", 232}, {"DISCONN", 273}, {"FORCE", 274}, {"KISSEXIT", 272}, {"HOSTEXIT", 275},
    {"EXIT", 168}, {"LISTEN", 7}, {"HALMSG", 295}, {"HALPMODE", 296}, {"HALLPPMODE", 297},
    {"HAL_RCLOVER", 298}, {"HALCLOVER", 299}, {"HALPM200", 300}, {"HALPM100", 301},
    {"HALPMAUTO", 302}, {"HALHUFFOFF", 303}, {"HAL_HUFFON", 304}, {"HALLISTENOFF", 305},
    {"HALLISTENON", 306}, {"HA_OVER", 307}, {"HALDISCON", 308}, {"HALFEND", 309},
    {"HALFOVERLDG", 310}, {"HAL8KCMD", 311}, {"HALATCMD", 312}, {"LDG", 348}, {"INDDN", 360},
    {"INDUP", 361}, {"CAPDN", 362}, {"CAPUP", 363}, {"MEMTUNE", 364}, {"FULLTUNE", 365},
    {"ALLUPDATE", 366}, {"VER", 367}, {"REQ_ARM_CLEAR", 368}, {"REQ_CLEAR_MEM", 369},
    {"STORE", 370}, {"FWDPWR", 371}, {"REFPWR", 372}, {"VSWR", 373}, {"UPDATEON", 374},
    {"UPDATEOFF", 375}, {"INDSET", 376}, {"CAPSET", 377}, {"REQ_MEM_DUMP", 378}, {"FREQ", 379},
    {"ACTIVE", 357}, {"LOZ", 358}, {"HIZ", 359}, {"VSWR11", 349}, {"VSWR12", 350}, {"VSWR13", 351},
    {"VSWR15", 352}, {"VSWR17", 353}, {"VSWR20", 354}, {"VSWR25", 355}, {"VSWR30", 356},
    {"ATU", 342}, {"DTR", 343}, {"RTS", 344}, {"ASTART", 345}, {"ASTOP", 346}, {"BYPASS", 347},
    {"TCPECHO", 286}, {"EXTMODEM", 334}, {"ANT", 341}, {"AMD", 169}, {"DBMARQ", 380},
    {"DBMFTP", 381}, {"DTMARQ", 382}, {"1052ARQ", 383}, {"MYADDRESS", 170}, {"OPTIONS", 171},
    {"SERRORS", 176}, {"SVOTES", 177}, {"FERRORS", 178}, {"FVOTES", 179}, {"MINCALLTIME", 174},
    {"MAXCALLTIME", 175}, {"DATABASE", 180}, {"CONFIG", 181}, {"STOP", 182}, {"START", 183},
    {"SCANNING", 184}, {"RESET", 185}, {"INACTIVITY", 186}, {"DWELL", 188}, {"SOUNDING", 189},
    {"ALLCALL", 191}, {"ANYCALL", 192}, {"SELECTIVE", 193}, {"GLOBAL", 194}, {"LINKED", 195},
    {"STATUS", 196}, {"KEYS", 197}, {"ON", 198}, {"OFF", 199}, {"VOICE", 200}, {"MANUAL", 201},
    {"AUTO", 202}, {"ENABLE", 203}, {"DISABLE", 204}, {"POLL", 205}, {"TWX", 5}, {"GPS", 206},
    {"SELF", 207}, {"LQA", 187}, {"DISPLAY", 208}, {"ECHO", 209}, {"BELLS", 210}, {"TIS", 211},
    {"MOTD", 213}, {"PTTD", 212}, {"SCLC", 214}, {"TRACE", 219}, {"DATE", 220}, {"DTM", 221},
    {"DBM", 222}, {"ARQ", 223}, {"BROADCAST", 224}, {"RETRIES", 225}, {"MODE", 280},
    {"TIMEOUT", 281}, {"RESOUND", 282}, {"UPLOAD", 283}, {"RXMODE", 284}, {"TXMODE", 285},
    {"RXFREQ", 287}, {"TXFREQ", 288}, {"LP", 289}, {"AL0", 290}, {"AL1", 291}, {"AL2", 292},
    {"AL3", 293}, {"AL4", 294}, {"DCD", 336}, {"TXAL", 337}, {"RXAL", 338}, {"MXAL", 339},
    {"SCANGROUP", 340}, {"LIMITCALLING", 173}, {"MACRO", 396}, {"RMSBLOCK", 398},
    {"RADIOSERVER", 399},
    {"END", 0},
};

int mmi_lookup_keyword(const char* word) {
  const std::size_t len = std::strlen(word);
  int matches = 0;
  int code = 0;
  for (const MmiKeyword* k = MmiKeywordTable; k->code != 0; ++k) {
    if (len <= 16 && std::strncmp(word, k->name, len) == 0) {
      ++matches;
      code = k->code;
    }
  }
  if (matches == 0) return 0;
  return matches == 1 ? code : MMI_AMBIGUOUS;
}

}  // namespace vesk
