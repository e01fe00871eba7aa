#include "tpdu_console.h"

#include <cstdio>
#include <cstdlib>

namespace {

constexpr const char* banner[] = {
    "******************\n",
    "*   TORVA TEST   *\n",
    "******************\n",
    "\n",
    "Utilizzare per il comando la rappresentazione esadecimale TPDU \n",
    "con caratteri maiuscoli, separando i bytes con spazi.\n",
    "Il segnale acustico segnala che la sintassi non e' corretta e \n",
    "che il comando deve essere ripetuto.\n",
    "Per uscire dal programma digitare Invio a vuoto.\n",
    "\n",
};

constexpr const char* command_prompt = "-> ";

// Prompts until a line is accepted. False at end of input, which ends the
// session like the empty line.
bool prompt_for_command(LineBuffer& line) {
    for (;;) {
        print_text(command_prompt);
        switch (read_line_bounded(line)) {
        case LineRead::EndOfInput:
            return false;
        case LineRead::TooLong:
            sound_bel();
            break;
        case LineRead::Line:
            if (check_command_line(line) == 0) {
                return true;
            }
            break;
        }
    }
}

void connect_card(CardConnection& connection) {
    if (SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &connection.context) !=
        SCARD_S_SUCCESS) {
        fail_and_exit("Failed SCardEstablishContext\n");
    }
    DWORD list_length = SCARD_AUTOALLOCATE;
    connection.reader_list = nullptr;
    if (SCardListReadersA(connection.context, nullptr,
                          reinterpret_cast<LPSTR>(&connection.reader_list),
                          &list_length) != SCARD_S_SUCCESS ||
        connection.reader_list == nullptr) {
        // A layer that reports success without a list has given no reader.
        fail_and_exit("Failed SCardListReaders\n");
    }
    // The list is a multi-string: its first string is the first reader.
    const char* first_reader = connection.reader_list;
    std::printf("Smartcard Reader : %s\n\n", first_reader);
    std::fflush(stdout);
    DWORD active_protocol = 0;
    if (SCardConnectA(connection.context, first_reader, SCARD_SHARE_EXCLUSIVE, SCARD_PROTOCOL_T0,
                      &connection.card, &active_protocol) != SCARD_S_SUCCESS) {
        fail_and_exit("Failed SCardConnect\n");
    }
    connection.active_protocol = static_cast<std::uint32_t>(active_protocol);
    if (SCardFreeMemory(connection.context, connection.reader_list) != SCARD_S_SUCCESS) {
        fail_and_exit("Failed SCardFreeMemory\n");
    }
    connection.reader_list = nullptr;
}

void transmit_command(CardConnection& connection) {
    Tpdu& tpdu = connection.tpdu;
    const DWORD send_length = tpdu.send_length;
    DWORD received_length = tpdu.expected_length;
    if (SCardTransmit(connection.card, SCARD_PCI_T0, tpdu.send_buffer, send_length, nullptr,
                      connection.receive_buffer, &received_length) != SCARD_S_SUCCESS) {
        fail_and_exit("Failed SCardTransmit\n");
    }
    // A layer never reports more than it was allowed to write; the bound
    // keeps the printer inside the buffer all the same.
    if (received_length > receive_buffer_size) {
        received_length = receive_buffer_size;
    }
    tpdu.expected_length = static_cast<std::uint32_t>(received_length);
}

void close_card(CardConnection& connection) {
    if (SCardDisconnect(connection.card, SCARD_LEAVE_CARD) != SCARD_S_SUCCESS) {
        fail_and_exit("Failed SCardDisconnect\n");
    }
    if (SCardReleaseContext(connection.context) != SCARD_S_SUCCESS) {
        fail_and_exit("Failed SCardReleaseContext\n");
    }
}

} // namespace

void fail_and_exit(const char* message) {
    print_text(message);
    wait_for_key();
    std::exit(1);
}

void print_response(const std::uint8_t* bytes, std::uint32_t count) {
    print_text("<- ");
    for (std::uint32_t i = 0; i < count; ++i) {
        print_hex_byte(bytes[i]);
    }
    print_text("\n\n");
}

int run_console() {
    for (const char* text : banner) {
        print_text(text);
    }
    CardConnection connection = {};
    connect_card(connection);
    while (prompt_for_command(connection.line) && connection.line[0] != '\0') {
        build_tpdu(connection.line, connection.tpdu);
        transmit_command(connection);
        print_response(connection.receive_buffer, connection.tpdu.expected_length);
    }
    close_card(connection);
    return 0;
}
