#include "tests/win/run/TestRunHost.h"

#include <commctrl.h>

#include "engine/FileTransfer.h"
#include "engine/OrganizeRun.h"
#include "metadata/MetaLookup.h"
#include "toolkit/MessagePump.h"
#include "ui/ProgressDialog.h"

TestRunHost::TestRunHost()
{
    INITCOMMONCONTROLSEX icc {sizeof icc, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    owner_ = CreateWindowExA(0, "STATIC", "run test owner", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, nullptr,
                             nullptr, GetModuleHandleA(nullptr), nullptr);
    list_ = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDATA, 0, 0,
                            780, 560, owner_, reinterpret_cast<HMENU>(1000), GetModuleHandleA(nullptr),
                            nullptr);
    view_.Attach(list_);
    view_.InsertColumn(0, "Source File", 300);
    view_.InsertColumn(1, "Target File", 300);
    view_.InsertColumn(2, "Result", 150);
    settings.SetDefaults("");
}

TestRunHost::~TestRunHost()
{
    DestroyWindow(owner_);
    PumpMessages();
}

void TestRunHost::AddRow(const std::string& source)
{
    view_.AddRow(source);
}

void TestRunHost::Run(bool move)
{
    MetaLookup own;
    RealFileSystem files;
    const RunDecision decision =
            OrganizeRun(*this, rows_, lookup ? *lookup : own, fileSystem ? *fileSystem : files,
                        PrepareRun(settings), move ? FileAction::Move : FileAction::Copy);
    if (decision.refusal) {
        ShowMessage(decision.refusal->text, MessageKind::Warning);
        focused = decision.refusal->field;
    }
    if (decision.started)
        ++savedCount;
    PumpMessages();
}

RunProgress& TestRunHost::ShowProgress()
{
    ProgressDialog* dialog = ProgressDialog::Open(owner_);
    progressWindow = dialog ? dialog->Handle() : nullptr;
    static NullProgress none;
    details.clear();
    progress_.emplace(dialog ? static_cast<RunProgress&>(*dialog) : none, details, onCancelAsked);
    return *progress_;
}

void TestRunHost::Pump()
{
    ++pumps;
    if (onPump)
        onPump(pumps);
    PumpMessages();
}
