#include "child_process.h"
#include "fake_pcsc.h"
#include "printed_hex.h"
#include "tpdu_console.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string banner = "******************\n"
                           "*   TORVA TEST   *\n"
                           "******************\n"
                           "\n"
                           "Utilizzare per il comando la rappresentazione esadecimale TPDU \n"
                           "con caratteri maiuscoli, separando i bytes con spazi.\n"
                           "Il segnale acustico segnala che la sintassi non e' corretta e \n"
                           "che il comando deve essere ripetuto.\n"
                           "Per uscire dal programma digitare Invio a vuoto.\n"
                           "\n";

const std::string reader_line = "Smartcard Reader : Reader A\n\n";
const std::string connected = banner + reader_line;

const std::vector<PcscCall> clean_session_calls = {PcscCall::Establish,  PcscCall::ListReaders,
                                                   PcscCall::Connect,    PcscCall::FreeMemory,
                                                   PcscCall::Disconnect, PcscCall::Release};

std::vector<PcscCall> calls_made() {
    const FakePcsc& state = fake_pcsc();
    return std::vector<PcscCall>(state.calls, state.calls + state.call_count);
}

ChildResult run_console_with(const std::string& input) { return run_in_child(input, run_console); }

class ConsoleLoop : public ::testing::Test {
  protected:
    void SetUp() override { fake_pcsc_reset(); }
};

TEST_F(ConsoleLoop, EmptyLineAtFirstPromptClosesCleanlyAndSendsNothing) {
    const ChildResult result = run_console_with("\n");
    EXPECT_EQ(result.output, connected + "-> ");
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(calls_made(), clean_session_calls);
    const FakePcsc& state = fake_pcsc();
    EXPECT_EQ(state.transmit_count, 0);
    EXPECT_EQ(state.disposition, static_cast<DWORD>(SCARD_LEAVE_CARD));
    EXPECT_TRUE(state.handles_match);
}

TEST_F(ConsoleLoop, EndOfInputAtAPromptEndsLikeTheEmptyLine) {
    const ChildResult result = run_console_with("00 C0 00 00 00\n");
    EXPECT_EQ(result.output, connected + "-> <- 90 00 \n\n-> ");
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(calls_made().back(), PcscCall::Release);
    EXPECT_EQ(fake_pcsc().disposition, static_cast<DWORD>(SCARD_LEAVE_CARD));
}

TEST_F(ConsoleLoop, ConnectsWithTheArgumentsOfAnExclusiveT0Session) {
    run_console_with("\n");
    const FakePcsc& state = fake_pcsc();
    EXPECT_EQ(state.scope, static_cast<DWORD>(SCARD_SCOPE_USER));
    EXPECT_TRUE(state.reserved_arguments_null);
    EXPECT_TRUE(state.group_filter_null);
    EXPECT_EQ(state.list_length_in, SCARD_AUTOALLOCATE);
    EXPECT_STREQ(state.connect_reader, "Reader A");
    EXPECT_EQ(state.share_mode, static_cast<DWORD>(SCARD_SHARE_EXCLUSIVE));
    EXPECT_EQ(state.preferred_protocols, static_cast<DWORD>(SCARD_PROTOCOL_T0));
    EXPECT_TRUE(state.freed_the_list);
}

struct FailureCase {
    PcscCall failing;
    const char* input;
    std::string output_before;
    const char* message;
};

TEST_F(ConsoleLoop, EachFailurePrintsItsMessageAndEndsWithStatusOne) {
    const FailureCase cases[] = {
        {PcscCall::Establish, "\n", banner, "Failed SCardEstablishContext\n"},
        {PcscCall::ListReaders, "\n", banner, "Failed SCardListReaders\n"},
        {PcscCall::Connect, "\n", connected, "Failed SCardConnect\n"},
        {PcscCall::FreeMemory, "\n", connected, "Failed SCardFreeMemory\n"},
        {PcscCall::Transmit, "00 A4 00 00 02 3F 00\n\n", connected + "-> ",
         "Failed SCardTransmit\n"},
        {PcscCall::Disconnect, "\n", connected + "-> ", "Failed SCardDisconnect\n"},
        {PcscCall::Release, "\n", connected + "-> ", "Failed SCardReleaseContext\n"},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.message);
        FakePcsc& state = fake_pcsc_reset();
        state.results[static_cast<int>(c.failing)] = SCARD_E_NO_SERVICE;
        const ChildResult result = run_console_with(c.input);
        EXPECT_EQ(result.output, c.output_before + c.message);
        EXPECT_EQ(result.exit_status, 1);
        // The failing call is the last one made.
        ASSERT_FALSE(calls_made().empty());
        EXPECT_EQ(calls_made().back(), c.failing);
    }
}

TEST_F(ConsoleLoop, AnyNonZeroResultIsAFailure) {
    const LONG results[] = {SCARD_E_NO_READERS_AVAILABLE, SCARD_W_REMOVED_CARD, 1, -1};
    for (LONG code : results) {
        SCOPED_TRACE(code);
        FakePcsc& state = fake_pcsc_reset();
        state.results[static_cast<int>(PcscCall::ListReaders)] = code;
        const ChildResult result = run_console_with("\n");
        EXPECT_EQ(result.output, banner + "Failed SCardListReaders\n");
        EXPECT_EQ(result.exit_status, 1);
    }
}

// A layer that reports success but hands out no list must not make the
// console print or connect to a reader that does not exist.
TEST_F(ConsoleLoop, SuccessWithoutAReaderListIsAListFailure) {
    fake_pcsc().list_without_readers = true;
    const ChildResult result = run_console_with("\n");
    EXPECT_EQ(result.output, banner + "Failed SCardListReaders\n");
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(calls_made().back(), PcscCall::ListReaders);
}

TEST_F(ConsoleLoop, AnswerLongerThanExpectedFailsTheTransmit) {
    const std::uint8_t answer[] = {0x01, 0x02, 0x03, 0x90, 0x00};
    fake_pcsc_answer(0, answer, sizeof answer);
    const ChildResult result = run_console_with("00 A4 00 00 02 3F 00\n\n");
    EXPECT_EQ(result.output, connected + "-> Failed SCardTransmit\n");
    EXPECT_EQ(result.exit_status, 1);
}

TEST_F(ConsoleLoop, RefusedLinesSendNothingAndPromptAgain) {
    const std::string too_long(300, 'A');
    const ChildResult result =
        run_console_with("00 a4 00 00 02 3F 00\n" + too_long + "\n00 A4 00 00\n\n");
    EXPECT_EQ(result.output, connected + "-> \a-> \a-> \a-> ");
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(fake_pcsc().transmit_count, 0);
    EXPECT_EQ(calls_made(), clean_session_calls);
}

// The rest of an over-long line is never taken as the next command.
TEST_F(ConsoleLoop, OverLongLineIsRefusedWhole) {
    const std::string valid_tail = " 00 C0 00 00 00";
    const std::string long_line =
        std::string(255, ' ').replace(0, 14, "00 A4 00 00 00") + valid_tail;
    const ChildResult result = run_console_with(long_line + "\n\n");
    EXPECT_EQ(result.output, connected + "-> \a-> ");
    EXPECT_EQ(fake_pcsc().transmit_count, 0);
}

struct SessionCase {
    const char* line;
    std::vector<std::uint8_t> sent;
    DWORD expected_length;
    std::vector<std::uint8_t> answer;
    std::string printed;
};

TEST_F(ConsoleLoop, SendsExactlyTheTypedCommand) {
    const SessionCase cases[] = {
        {"00 A4 00 00 02 3F 00",
         {0x00, 0xA4, 0x00, 0x00, 0x02, 0x3F, 0x00},
         2,
         {0x61, 0x15},
         "<- 61 15 \n\n"},
        {"00 B2 01 04 0A",
         {0x00, 0xB2, 0x01, 0x04, 0x0A},
         12,
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 0x0A, 0x90, 0x00},
         "<- 01 02 03 04 05 06 07 08 09 0A 90 00 \n\n"},
        {"00 B2 01 04 0A", {0x00, 0xB2, 0x01, 0x04, 0x0A}, 12, {0x6A, 0x83}, "<- 6A 83 \n\n"},
        {"00 C0 00 00 00", {0x00, 0xC0, 0x00, 0x00, 0x00}, 2, {0x90, 0x00}, "<- 90 00 \n\n"},
        {"00 A4 00 00 00", {0x00, 0xA4, 0x00, 0x00, 0x00}, 2, {0x67, 0x00}, "<- 67 00 \n\n"},
        {"00 20 00 81 04 31 32 33 34 35",
         {0x00, 0x20, 0x00, 0x81, 0x04, 0x31, 0x32, 0x33, 0x34},
         2,
         {0x63, 0xC2},
         "<- 63 C2 \n\n"},
        {"80 CA 9F 7F 03 ",
         {0x80, 0xCA, 0x9F, 0x7F, 0x03},
         5,
         {0xAA, 0xBB, 0xCC, 0x90, 0x00},
         "<- AA BB CC 90 00 \n\n"},
        {"80 E0 00 00 01 7E",
         {0x80, 0xE0, 0x00, 0x00, 0x01, 0x7E},
         2,
         {0x90, 0x00},
         "<- 90 00 \n\n"},
        {"00 84 00 00 08", {0x00, 0x84, 0x00, 0x00, 0x08}, 10, {}, "<- \n\n"},
    };
    for (const SessionCase& c : cases) {
        SCOPED_TRACE(c.line);
        fake_pcsc_reset();
        fake_pcsc_answer(0, c.answer.data(), static_cast<DWORD>(c.answer.size()));
        const ChildResult result = run_console_with(std::string(c.line) + "\n\n");
        EXPECT_EQ(result.output, connected + "-> " + c.printed + "-> ");
        EXPECT_EQ(result.exit_status, 0);
        const FakePcsc& state = fake_pcsc();
        ASSERT_EQ(state.transmit_count, 1);
        const FakeExchange& exchange = state.exchanges[0];
        EXPECT_EQ(std::vector<std::uint8_t>(exchange.sent, exchange.sent + exchange.send_length),
                  c.sent);
        EXPECT_EQ(exchange.receive_length_in, c.expected_length);
        EXPECT_TRUE(exchange.send_pci_is_t0);
        EXPECT_TRUE(exchange.receive_pci_is_null);
    }
}

// All 257 bytes of the longest answer are received and printed.
TEST_F(ConsoleLoop, LongestAnswerFitsTheReceiveBuffer) {
    std::uint8_t answer[257];
    for (int i = 0; i < 257; ++i) {
        answer[i] = static_cast<std::uint8_t>(i * 7);
    }
    fake_pcsc_answer(0, answer, sizeof answer);
    const ChildResult result = run_console_with("00 84 00 00 FF\n\n");
    EXPECT_EQ(fake_pcsc().exchanges[0].receive_length_in, 257u);
    EXPECT_EQ(result.output, connected + "-> <- " + printed_hex(answer, sizeof answer) + "\n\n-> ");
}

TEST_F(ConsoleLoop, SessionOfSeveralCommandsKeepsNoStaleBytes) {
    const std::uint8_t challenge[] = {0x11, 0x22, 0x90, 0x00};
    fake_pcsc_answer(1, challenge, sizeof challenge);
    const ChildResult result = run_console_with(
        "00 A4 00 00 02 3F 00\n00 84 00 00 02\n00 A4 00 00 01 7F\n80 CA 00 00 00\n\n");
    EXPECT_EQ(result.output, connected + "-> <- 90 00 \n\n-> <- 11 22 90 00 \n\n-> <- 90 00 \n\n" +
                                 "-> <- 90 00 \n\n-> ");
    const FakePcsc& state = fake_pcsc();
    ASSERT_EQ(state.transmit_count, 4);
    EXPECT_EQ(state.exchanges[1].send_length, 5u);
    EXPECT_EQ(state.exchanges[1].receive_length_in, 4u);
    EXPECT_EQ(state.exchanges[2].send_length, 6u);
    EXPECT_EQ(state.exchanges[2].sent[5], 0x7F);
    EXPECT_EQ(state.exchanges[3].send_length, 5u);
    EXPECT_EQ(state.exchanges[3].receive_length_in, 2u);
    EXPECT_EQ(calls_made().back(), PcscCall::Release);
}

// The banner and each prompt are on the screen before the console waits for
// a line: the test answers only once it has seen them.
TEST_F(ConsoleLoop, PromptIsShownBeforeTheConsoleWaits) {
    InteractiveChild child = start_child(run_console);
    ASSERT_TRUE(read_until(child, connected + "-> "));
    send_input(child, "00 C0 00 00 00\n");
    ASSERT_TRUE(read_until(child, "<- 90 00 \n\n-> "));
    send_input(child, "\n");
    const ChildResult result = finish_child(child);
    EXPECT_EQ(result.exit_status, 0);
}

TEST(PrintResponse, PrintsArrowBytesAndAnEmptyLine) {
    const ChildResult result = run_in_child("", [] {
        const std::uint8_t bytes[] = {0x90, 0x00, 0x0A};
        print_response(bytes, 2);
        print_response(bytes, 0);
        print_response(bytes + 2, 1);
        return 0;
    });
    EXPECT_EQ(result.output, "<- 90 00 \n\n<- \n\n<- 0A \n\n");
}

} // namespace
