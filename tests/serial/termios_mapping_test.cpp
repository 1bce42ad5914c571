#include "termios_mapping.h"

#include <gtest/gtest.h>

namespace {

using k5::serial::LineSettings;
using k5::serial::TByteSize;
using k5::serial::TDtrControl;
using k5::serial::TParity;
using k5::serial::TRtsControl;
using k5::serial::TStopBits;
using k5::serial::posix::MapLineSettings;

termios Busy() {
    termios t{};
    t.c_iflag = ICRNL | IXANY | IGNPAR | BRKINT | ISTRIP;
    t.c_oflag = OPOST | ONLCR;
    t.c_lflag = ICANON | ECHO | ISIG;
    t.c_cflag = CS7 | PARENB | CSTOPB | CRTSCTS;
    return t;
}

TEST(TermiosMapping, StoredConfigurationOfTheSessionPort) {
    LineSettings s;
    s.baudRate = 38400;
    const auto plan = MapLineSettings(s, Busy());
    const termios& t = plan.attributes;
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_FALSE(t.c_cflag & (PARENB | CSTOPB | CRTSCTS));
    EXPECT_TRUE((t.c_cflag & (CLOCAL | CREAD)) == (CLOCAL | CREAD));
    EXPECT_TRUE(t.c_iflag & IXON);
    EXPECT_TRUE(t.c_iflag & IXOFF);
    EXPECT_FALSE(t.c_iflag & (IXANY | ICRNL | ISTRIP | IGNPAR | INPCK | BRKINT));
    EXPECT_TRUE(t.c_iflag & PARMRK);
    EXPECT_FALSE(t.c_oflag & OPOST);
    EXPECT_FALSE(t.c_lflag & (ICANON | ECHO | ISIG));
    EXPECT_EQ(t.c_cc[VSTART], 0x11);
    EXPECT_EQ(t.c_cc[VSTOP], 0x13);
    EXPECT_EQ(plan.standardSpeed, B38400);
    EXPECT_EQ(plan.dtr, true);
    EXPECT_EQ(plan.rts, true);
}

TEST(TermiosMapping, DataBitsParityAndStopBits) {
    const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    for (int i = 0; i < 4; ++i) {
        LineSettings s;
        s.byteSize = static_cast<TByteSize>(i);
        EXPECT_EQ(MapLineSettings(s, {}).attributes.c_cflag & CSIZE, sizes[i]);
    }
    struct Case {
        TParity parity;
        tcflag_t flags;
    } cases[] = {{TParity::None, 0},
                 {TParity::Odd, PARENB | PARODD},
                 {TParity::Even, PARENB},
                 {TParity::Mark, PARENB | PARODD | CMSPAR},
                 {TParity::Space, PARENB | CMSPAR}};
    for (auto c : cases) {
        LineSettings s;
        s.parity = c.parity;
        EXPECT_EQ(MapLineSettings(s, Busy()).attributes.c_cflag & (PARENB | PARODD | CMSPAR), c.flags);
    }
    LineSettings checked;
    checked.parityCheck = true;
    EXPECT_TRUE(MapLineSettings(checked, {}).attributes.c_iflag & INPCK);

    for (auto [bits, cstopb] :
         {std::pair{TStopBits::_1, false}, {TStopBits::_1_5, true}, {TStopBits::_2, true}}) {
        LineSettings s;
        s.stopBits = bits;
        EXPECT_EQ(static_cast<bool>(MapLineSettings(s, {}).attributes.c_cflag & CSTOPB), cstopb);
    }
}

TEST(TermiosMapping, FlowControlAndModemLines) {
    LineSettings s;
    s.outxXonXoffFlow = false;
    s.inxXonXoffFlow = true;
    s.xonChar = 0x01;
    s.xoffChar = 0x02;
    auto t = MapLineSettings(s, {}).attributes;
    EXPECT_FALSE(t.c_iflag & IXON);
    EXPECT_TRUE(t.c_iflag & IXOFF);
    EXPECT_EQ(t.c_cc[VSTART], 0x01);
    EXPECT_EQ(t.c_cc[VSTOP], 0x02);

    s.rtsControl = TRtsControl::RtsHandshake;
    s.dtrControl = TDtrControl::DtrDisable;
    auto plan = MapLineSettings(s, {});
    EXPECT_TRUE(plan.attributes.c_cflag & CRTSCTS);
    EXPECT_EQ(plan.rts, std::nullopt) << "the driver drives RTS under handshaking";
    EXPECT_EQ(plan.dtr, false);

    s.rtsControl = TRtsControl::RtsDisable;
    s.outxCtsFlow = true;
    plan = MapLineSettings(s, {});
    EXPECT_TRUE(plan.attributes.c_cflag & CRTSCTS);
    EXPECT_EQ(plan.rts, false);

    // Accepted and ignored: DTR handshake, RTS toggle, DSR flow, the XON/XOFF limits.
    s = LineSettings{};
    s.dtrControl = TDtrControl::DtrHandshake;
    s.rtsControl = TRtsControl::RtsTransmissionAvailable;
    s.outxDsrFlow = true;
    s.xonLimit = 1;
    s.xoffLimit = 2;
    plan = MapLineSettings(s, {});
    EXPECT_EQ(plan.dtr, std::nullopt);
    EXPECT_EQ(plan.rts, std::nullopt);
    EXPECT_FALSE(plan.attributes.c_cflag & CRTSCTS);
}

TEST(TermiosMapping, Speeds) {
    for (auto [rate, code] : {std::pair{9600u, B9600},
                              {38400u, B38400},
                              {57600u, B57600},
                              {115200u, B115200},
                              {921600u, B921600}}) {
        LineSettings s;
        s.baudRate = rate;
        EXPECT_EQ(MapLineSettings(s, {}).standardSpeed, code);
    }
    LineSettings odd;
    odd.baudRate = 250000;
    const auto plan = MapLineSettings(odd, {});
    EXPECT_EQ(plan.standardSpeed, std::nullopt);
    EXPECT_EQ(plan.baudRate, 250000u);
}

}  // namespace
