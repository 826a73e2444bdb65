// What the environment asks of a stand-in process (every process of a test inherits it):
// - STANDIN_FAIL=<members>: those members (e.g. "Workbooks.Open, Application.Create") fail with the
//   application's exception; STANDIN_CRASH=<members>: they end the process on the spot;
//   STANDIN_BUSY=<members>: their first calls answer "busy" (0x800AC472); STANDIN_REFUSE=<members>:
//   refused with RPC_E_CALL_REJECTED (for "Application.Create", by the class factory, as an
//   application busy with a window of its own while it starts); STANDIN_BLOCK=<members>: accepted,
//   then answered only after STANDIN_BLOCK_MS (a long macro without DoEvents), the "block" event
//   holding GetTickCount64 as it begins.
// - STANDIN_CLOCK=1: a "clock" event with GetTickCount64 right after "start".
// - STANDIN_BUSY_AFTER_VISIBLE_MS=N: the whole application refuses automation (IDispatch) calls with
//   SERVERCALL_REJECTED for N ms once it has been shown (its add-ins loading).
// - STANDIN_BUSY_FROM_START_MS=N: the same for N ms counted from the process's creation (a licence,
//   sign-in or first-run window up). COM's own activation calls go through in both cases.
// - STANDIN_NO_ROT=1: the instance lists none of its workbooks in the Running Object Table (it stands
//   for an instance on another computer, which still holds the files it opened).
// - STANDIN_OPEN_MS=N: Workbooks.Open, once accepted, takes N ms. STANDIN_OPEN_READ_ONLY=1: it
//   answers read-only whoever holds the file (a write-reservation password, no write right).
// - STANDIN_HIDDEN=1: started by a user, it stays hidden with its workbook until told to quit.
// - STANDIN_REGISTER_AFTER_MS=N: started by automation, it shows its window and registers its
//   classes N ms later, or once that window is closed (a start-up prompt answered); the journal's
//   "registered" event tells the launcher's state then.
// - STANDIN_START_UNFINISHED=1: its class factory answers CO_E_SERVER_EXEC_FAILURE, the process
//   still running: what Windows tells a client whose Excel started but did not complete its start
//   (Wine itself answers E_NOINTERFACE after 30 s for a server that never registers).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace standin {

class MemberList {
public:
    // "Workbooks.Open, Application.Create" (spaces around names are ignored).
    static MemberList parse(std::wstring_view commaSeparated);
    bool contains(std::wstring_view member) const; // case-insensitive

private:
    std::vector<std::wstring> members_;
};

struct Faults {
    MemberList fail;
    MemberList crash;
    MemberList busy;
    MemberList refuse{};
    MemberList block{};
    unsigned blockMs = 0;
    unsigned busyAfterVisibleMs = 0;
    unsigned busyFromStartMs = 0;
    bool noRot = false;
    unsigned openMs = 0;
    bool openReadOnly = false;
    bool hidden = false;
    unsigned registerAfterMs = 0;
    bool startUnfinished = false;

    static Faults fromEnvironment();
};

} // namespace standin
