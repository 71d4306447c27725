// Tools > Past Runs: the runs whose journals are kept, newest first, with when each started, what
// it did, whether it was undone and how many replaced files it keeps. Undo ends the dialog with the
// chosen run's journal; the main window undoes it as it undoes the last run. A run that cannot be
// undone says why under the list, and Undo stays unavailable for it.
#pragma once

#include <string>
#include <vector>

#include "toolkit/Dialog.h"
#include "toolkit/ListView.h"

class PastRunsDialog : public Dialog {
public:
    explicit PastRunsDialog(std::string runsFolder);

    // The journal of the run to undo, after the dialog ended with IDOK.
    const std::string& Chosen() const { return chosen_; }

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    LRESULT OnNotify(NMHDR* header) override;
    void OnOK() override;

private:
    void FillList();
    // Undo for the selected run, or why it cannot be undone.
    void OnSelectionChanged();

    std::string folder_;
    std::vector<std::string> journals_;  // in the list's order
    ListView list_;
    std::string chosen_;
};
