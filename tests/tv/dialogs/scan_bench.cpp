// Benchmark of the channel edit page's automatic scan with the real Tunaro over the simulated
// card: how long a full scan of one country's table takes and what it finds. Prints figures,
// asserts nothing.
//   scripts/run.sh build/x64/bin/tv_dialogs_scan_bench.exe [COUNTRY]     (default China)
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/tv/dialogs/dialog_driver.h"
#include "tests/support/e2e.h"
#include "res/tunaro/resource.h"
#include "tests/tv/dialogs/tunaro_session.h"
#include "tv/channel_files.h"

using namespace dlgtest;

int main(int argc, char** argv) {
    const std::string country = argc > 1 ? argv[1] : "China";
    tunaro::CountryTable table;
    tunaro::LoadCountryTable(table, e2e::SystemDir() + "\\CHANNEL.TXT");
    long frequencies = -1;
    for (long i = 0; i < table.Count(); ++i)
        if (table.At(i)->m_strName == country)
            frequencies = static_cast<long>(table.At(i)->m_frequencies.size());
    if (frequencies < 0) {
        fprintf(stderr, "scan_bench: no country \"%s\" in CHANNEL.TXT\n", country.c_str());
        return 2;
    }

    RunningTunaro tunaro;
    if (!tunaro.Start()) {
        fprintf(stderr, "scan_bench: Tunaro did not come up\n");
        tunaro.Stop();
        return 1;
    }
    int result = 1;
    if (HWND sheet = Open(tunaro.panel, IDC_CHANNEL_EDIT, "Channel list edit")) {
        HWND page = CurrentPage(sheet);
        const std::vector<std::string> countries = ComboItems(page, IDC_CE_COUNTRY);
        for (size_t i = 0; i < countries.size(); ++i)
            if (countries[i] == country)
                SelectCombo(page, IDC_CE_COUNTRY, static_cast<int>(i));
        const DWORD start = GetTickCount();
        Click(page, IDC_CE_SCAN);
        const bool started =
            e2e::WaitUntil([&] { return e2e::ControlText(page, IDC_CE_SCAN) == "Stop"; }, 10000);
        const bool ended =
            started && e2e::WaitUntil([&] { return e2e::ControlText(page, IDC_CE_SCAN) == "Auto Scan"; },
                                      static_cast<DWORD>(frequencies) * 3000 + 30000);
        const double seconds = (GetTickCount() - start) / 1000.0;
        HWND list = GetDlgItem(page, IDC_CE_LIST);
        if (ended) {
            const int found = ListCount(list);
            printf("full scan of %s: %ld frequencies in %.1f s (%.2f s a frequency; the page steps once a "
                   "second), %d channels found:\n",
                   country.c_str(), frequencies, seconds, seconds / static_cast<double>(frequencies), found);
            for (int row = 0; row < found; ++row)
                printf("  %s\n", ListText(list, row, 2).c_str());
            result = 0;
        } else {
            fprintf(stderr, "scan_bench: the scan did not %s\n", started ? "end" : "start");
        }
        CloseSheet(sheet, "Channel list edit", PSBTN_CANCEL);
    }
    tunaro.Stop();
    return result;
}
