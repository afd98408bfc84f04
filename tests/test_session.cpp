// Serial session against the simulated controller: open errors, the echo check, the receive
// handler and the reply wait, all on the test clock.
#include "fixture.h"

class Session : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        LoadPanels();
    }
    Bytes EchoRequest() { // set I from the start values, order 5
        return Frame(5, {0, 500, 2048, 512, 950, 20, 1, 100, 8, 1, 0, 0, 0, 0, 500, maxmode});
    }
};

TEST_F(Session, GoodEchoIsFollowedByBothSetReadsAndEndsOnLineOk) {
    InitRS232(1);
    EXPECT_EQ(StatusLine(), kSimFirmware);
    Bytes expected = EchoRequest();
    Bytes readI = Frame(2, {0, 500, 2048, 512, 950, 20, 1, 100, 8, 1, 0, 0, 0, 0, 500, 0});
    Bytes readII = Frame(2, {1, 500, 2048, 512, 950});
    expected.insert(expected.end(), readI.begin(), readI.end());
    expected.insert(expected.end(), readII.begin(), readII.end());
    Bytes firmware = Frame(7, {1, 500, 2048, 512, 950}); // pp as the last read left it
    expected.insert(expected.end(), firmware.begin(), firmware.end());
    EXPECT_EQ(SentBytes(), expected);
    EXPECT_EQ(ComOpenCount(), 1);
    EXPECT_EQ(target, RAM);
}

TEST_F(Session, EchoWithWrongWordIsAReadErrorAndNothingElseIsSent) {
    SimSetFault(SIM_FAULT_WRONG_ECHO);
    EXPECT_EQ(CheckComLine(1), 0); // port not open yet: nothing comes back
    InitRS232(1);
    EXPECT_EQ(StatusLine(), "read error - not sync byte 0xAA!");
    EXPECT_EQ(SentBytes(), EchoRequest());
}

TEST_F(Session, EchoOf35BytesTimesOutAfterThePortTimeOut) {
    SimSetFault(SIM_FAULT_SHORT_FRAME);
    double t0 = Timer();
    InitRS232(1);
    EXPECT_EQ(StatusLine(), "Timeout < 36 Bytes");
    EXPECT_NEAR(Timer() - t0, 0.05 + 2.0, 0.01);
}

TEST_F(Session, EachOpenErrorCodeShowsItsTextAndSendsNoEcho) {
    const std::pair<int, const char *> cases[] = {{-1, "Unknown system error"},
                                                  {-3, "Port is not open"},
                                                  {-4, "Unknown I/0 error"},
                                                  {-6, "No serial port found"},
                                                  {-7, "Cannot open port"},
                                                  {-13, "Invalid parameter"},
                                                  {-99, "Timeout"},
                                                  {-5, "RS-232 error!"},
                                                  {-8, "RS-232 error!"},
                                                  {-12, "RS-232 error!"},
                                                  {-14, "RS-232 error!"},
                                                  {-100, "RS-232 error!"}};
    powerA = 4711;
    for (auto [code, text] : cases) {
        SimSetOpenError(code);
        InitRS232(1);
        EXPECT_EQ(StatusLine(), text) << "code " << code;
    }
    EXPECT_TRUE(SentBytes().empty());
    EXPECT_EQ(powerA, 4711);
    EXPECT_EQ(ComOpenCount(), 0);
}

TEST_F(Session, PortsThatCannotBeReachedMapOntoTheOpenErrorTexts) {
    MapPorts({"--com", "1=sim", "--com", "2=/nonexistent/ttyXVEL", "--com", "3=sim"});
    LoadPanels();
    InitRS232(9); // not in the port table
    EXPECT_EQ(StatusLine(), "Invalid port number");
    InitRS232(2);
    EXPECT_EQ(StatusLine(), "No serial port found");
    InitRS232(1);
    InitRS232(3); // the simulator is held by COM1
    EXPECT_EQ(StatusLine(), "Cannot open port");
    InitRS232(0);
    EXPECT_EQ(StatusLine(), "Invalid port number");
}

TEST_F(Session, ABurstOf40BytesIsTakenAsOneReplyOfItsFirst36) {
    InitRS232(1);
    SimSetFault(SIM_FAULT_BURST40);
    unsigned short live[16] = {812, 790, 523, 498, 640, 650, 900, 880,
                               700, 690, 100, 0,   3,   22,  64,  65};
    SimSetLiveWords(live);
    rx_flag = 0;
    CopyVarsToPP(0);
    FillTxBuf(8, pp);
    ASSERT_EQ(ComWrt(com, szWriteBuf, FRAMELEN), FRAMELEN);
    EXPECT_EQ(WaitRxFull(), 1);
    EXPECT_EQ(order, 8);
    EXPECT_EQ(std::vector<uint16_t>(pp, pp + PNUM), std::vector<uint16_t>(live, live + 16));
    EXPECT_EQ(graphrefresh, 1);
    EXPECT_EQ(GetInQLen(com), 0); // the 4 extra bytes were discarded
}

TEST_F(Session, WaitWithoutReplyTimesOutJustAfterOneAndAHalfSeconds) {
    InitRS232(1);
    SimSetFault(SIM_FAULT_NO_ANSWER);
    rx_flag = 0;
    FillTxBuf(8, pp);
    ComWrt(com, szWriteBuf, FRAMELEN);
    double t0 = Timer();
    EXPECT_EQ(WaitRxFull(), 0);
    EXPECT_EQ(ret, 0);
    EXPECT_GT(Timer() - t0, TIMEOUT);
    EXPECT_LT(Timer() - t0, TIMEOUT + 0.005);
    EXPECT_STREQ(szStatus, "Timeout-RS-232...");
    EXPECT_EQ(StatusLine(), kSimFirmware); // the wait does not show its text
}

TEST_F(Session, ReceiveHandlerRunsOnlyFromEventProcessingNeverFromDirectReads) {
    InitRS232(1);
    rx_flag = 0;
    FillTxBuf(11, pp);
    ComWrt(com, szWriteBuf, FRAMELEN);
    while (GetInQLen(com) < FRAMELEN && Timer() < 1.0) {
    }
    ASSERT_EQ(GetInQLen(com), FRAMELEN);
    EXPECT_EQ(rx_flag, 0);
    ProcessSystemEvents();
    EXPECT_EQ(rx_flag, 1);
    EXPECT_EQ(order, 11);
}

TEST_F(Session, AVanishedPortIsClosedAndLaterExchangesTimeOut) {
    InitRS232(1);
    SimSetFault(SIM_FAULT_VANISH);
    FillTxBuf(8, pp);
    EXPECT_LT(ComWrt(com, szWriteBuf, FRAMELEN), 0);
    EXPECT_EQ(ComOpenCount(), 0);
    EXPECT_EQ(ComWrt(com, szWriteBuf, FRAMELEN), -3);
    rx_flag = 0;
    EXPECT_EQ(WaitRxFull(), 0);
}

TEST_F(Session, StaleBytesQueuedBeforeTheStartUpAreNotTakenForTheEcho) {
    SimQueueRaw(Frame(5, {0x00AB}).data(), FRAMELEN, 0.0); // a reply left over from before
    AdvanceTestClock(0.1);                                 // ... that has fully arrived
    InitRS232(1);
    EXPECT_EQ(StatusLine(), kSimFirmware);
}
