#include "cli/CliOptions.h"
#include "platform/CalculatorIdText.h"

namespace usblink::cli {

std::string UsageText() {
  static constexpr auto kUsage = WithCalculatorIds(R"(Usage: usblink-cli [options] COMMAND [FILE]

Updates the firmware of the calculator (USB VVVV:PPPP) over USB HID.

Commands:
  list             HID interfaces as discovery sees them; the calculator marked
  connect          discovery + handshake, as the "USB Link" button
  check FILE       no device: what a download of FILE would send
  download FILE    connect, then download FILE, as the "Download" button
  read [FILE]      connect, then read banks 0-3 into FILE (default Load.bin); FILE is
                   replaced only once the last byte is read, else the bytes read
                   are kept as FILE.partial
  verify FILE      connect, read back, compare with what a download of FILE writes

Options:
  --simulate       use the built-in simulated calculator instead of the real device
  --backup FILE    download: read banks 0-3 into FILE first; no write if that fails;
                   a FILE that exists is never replaced (unless --force)
  --force          download: send an image larger than 262,144 bytes (the whole
                   flash) anyway, only its first 262,144 bytes; and replace an
                   existing --backup FILE
  --wait SECONDS   retry discovery every 250 ms until the calculator appears
  --log FILE       write the whole log to FILE, with the messages, the command
                   line and how the run ended
  --json           JSON Lines on stdout (docs/json-lines.md): the start, log
                   lines, messages, progress, bank checks and the result
  -v, --verbose    the whole log on stdout, line for line as the window shows it
  -q, --quiet      no log lines, only messages and the result
  --fast           poll the device every 1 ms instead of every 10 ms; the device
                   still gets 5 s of busy replies before "PC Timeout Error! "
  -h, --help       show this help
  --version        show the version

Simulated calculator (with --simulate):
  --sim-flash FILE          initial flash (default all 0xFF)
  --sim-save FILE           write the 262,144 flash bytes to FILE when the program ends
  --sim-busy N              N busy replies before every answer
  --sim-status CODE:N:STATUS  status STATUS (hex) for the N-th command (from 1) of CODE (hex)
  --sim-bad-bank N          wrong checksum for bank N
  --sim-identity TEXT       identity answer instead of "VQHDL307E TRM815C"
  --sim-type N              type answer (0 is accepted)
  --sim-flash-id N          flash answer (255 is refused)
  --sim-silent-after N      after N commands the calculator stays busy
  --sim-slow-read MS        every input-report read takes MS milliseconds
  --sim-unplug-after N      after N commands the calculator is unplugged
  --sim-others N            N other HID interfaces before the calculator
  --sim-locked I            interface I (from 0) cannot be opened
  --sim-absent              no calculator on the bus
  --sim-ids VID:PID         the calculator's ids (hex)
  --sim-descriptor FILE     the calculator's report descriptor (binary)

Output: on stdout the calculator found, a line a bank and what was done (the
whole log with -v); message boxes on stderr as "TITLE: TEXT"; the progress on
stderr, a bar on a terminal, else a line every 10 %. A download that changed the
flash without committing it ends with a "State: " line on stderr.

Ctrl-C: connect, read, backup and verify stop after the running exchange with the
calculator. A download goes on after the first Ctrl-C (stopping it can leave the
calculator unable to start) and stops at the second; SIGTERM and SIGHUP stop it.

Exit status:
  0  success                       5  bank checksum mismatch
  2  usage error                   6  device error status or PC timeout
  3  no calculator found           7  file error (cannot open, empty, larger than
                                      the flash, cannot write)
  4  handshake refused             8  verify found differences
                                   9  the calculator is in use by another program
130  stopped by Ctrl-C, SIGTERM or SIGHUP
)");
  return kUsage.data();
}

}  // namespace usblink::cli
