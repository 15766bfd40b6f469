// The key name table: the 56 named keys and nothing else, whatever code is
// asked for.
#include "support/support.h"

namespace {

TEST(KeyNames, AreTheFiftySixNamedKeys) {
    InitKeyNames();
    InitKeyNames();  // a second fill changes nothing
    std::string named;
    for (int32_t code = -2; code <= KEY_COUNT + 1; code++)
        named += KeyName(code)[0] ? std::to_string(code) + ":" + KeyName(code) + " " : "";
    EXPECT_EQ(named,
              "13:Enter 32:Space 44:Comma 46:Period 48:0 49:1 50:2 51:3 52:4 53:5 54:6 55:7 56:8 "
              "57:9 97:A 98:B 99:C 100:D 101:E 102:F 103:G 104:H 105:I 106:J 107:K 108:L 109:M "
              "110:N 111:O 112:P 113:Q 114:R 115:S 116:T 117:U 118:V 119:W 120:X 121:Y 122:Z "
              "256:Ins 257:End 259:PgDn 261:Center 263:Home 265:PgUp 266:Del 269:Minus 270:Plus "
              "273:Up 274:Down 275:Right 276:Left 304:Shift 306:Ctrl 308:Alt ");
    EXPECT_EQ(std::string(KeyName(INT32_MIN)) + KeyName(INT32_MAX), "");
}

}  // namespace
