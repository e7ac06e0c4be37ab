// veltrix-sim: scenario runs with traces and reports, and a settings-file check.
#include <iostream>
#include <string>

#include "run_scenarios.h"
#include "settings_report.h"

namespace {

const char kUsage[] =
    "usage:\n"
    "  veltrix-sim run SCENARIO... [--ini FILE] [--dll PATH [--driver EXE]] [--out DIR] [--page HTML]\n"
    "      Plays scenario files against the plug-in (its core in-process, or with --dll the\n"
    "      real Veltrix.asi under Wine) and writes DIR/<name>/trace.csv, trace.json and\n"
    "      output.txt, the run's data DIR/run.json, and DIR/index.html, the tuner page\n"
    "      (--page, by default the one the wasm build made) showing every run, camera's-eye\n"
    "      view included (DIR defaults to out/sim). --driver names\n"
    "      e2e_driver.exe, or the folder that holds it with the stand-in host (default:\n"
    "      the e2e folder beside the DLL).\n"
    "  veltrix-sim ini-check [FILE]\n"
    "      Shows what the plug-in makes of each line of a settings file (default\n"
    "      Veltrix.ini), the effective settings and warnings. Exit 0 clean, 1 with\n"
    "      warnings, 2 when the file cannot be read.\n";

int usage(const std::string& problem) {
    if (!problem.empty()) std::cerr << "veltrix-sim: " << problem << "\n";
    std::cerr << kUsage;
    return 2;
}

int run(int argc, char** argv) {
    tools::RunOptions options;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--ini" || arg == "--dll" || arg == "--out" || arg == "--driver" || arg == "--page") {
            if (i + 1 >= argc) return usage(arg + " needs a value");
            const char* v = argv[++i];
            if (arg == "--ini") options.ini = v;
            if (arg == "--dll") options.dll = v;
            if (arg == "--out") options.out = v;
            if (arg == "--driver") options.driver = v;
            if (arg == "--page") options.page = v;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usage("unknown option " + arg);
        } else {
            options.scenarioFiles.push_back(arg);
        }
    }
    if (options.scenarioFiles.empty()) return usage("run needs at least one scenario file");
    if (options.driver && !options.dll) return usage("--driver goes with --dll");
    return tools::runScenarios(options, std::cout, std::cerr);
}

int iniCheck(int argc, char** argv) {
    if (argc > 3) return usage("ini-check takes one file");
    const tools::IniReport report = tools::analyseIni(argc == 3 ? argv[2] : "Veltrix.ini");
    tools::printIniReport(report, std::cout);
    return tools::iniCheckStatus(report);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage("");
    const std::string command = argv[1];
    if (command == "run") return run(argc, argv);
    if (command == "ini-check") return iniCheck(argc, argv);
    if (command == "--help" || command == "-h" || command == "help") {
        std::cout << kUsage;
        return 0;
    }
    return usage("unknown command " + command);
}
