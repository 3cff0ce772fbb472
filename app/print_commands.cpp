// The File menu's print of the target list and the Help menu's read-me window.
#include "frm_readme.h"
#include "frm_voxa_r_1.h"
#include "print_job.h"
#include "readme_text.h"

#include <QListWidget>

// Prints the target list with the new names as a plain report; the lists are only read.
void frmVOXA_R_1::mnuFprint_Click()
{
    printing::printTargetList(listEntries(List1), listEntries(List2), services().makePrintDevice,
                              this, messages());
}

// Shows the busy pointer and opens the read-me window beside this one, or brings the open
// one to the front; the read-me window sets the pointer back to normal when it closes.
void frmVOXA_R_1::mnuReadme_Click()
{
    frmReadme::open(this, readme::readmePath(services().programFolder), services().makePrintDevice,
                    &messages());
}
