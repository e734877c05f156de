// vosk: renders audio files through the VOSK plug-in, describes it and plots
// its response, driving the built bundle as a VST 3 host does.
#include "commands.h"
#include "fileio.h"
#include "platform.h"

#include <cstdio>
#include <cstring>

namespace vosk {
namespace {

const char* kUsage = R"(usage: vosk COMMAND [OPTIONS]

commands:
  info [--json]
      the factory, classes, buses, latency, tail and every parameter
  render IN OUT [--set TITLE=TEXT]... [--set-norm ID=VALUE]... [--preset FILE]
         [--save-preset FILE] [--block N] [--no-compensate]
      processes an audio file; OUT gets IN's format and length
  response [--set TITLE=TEXT]... [--set-norm ID=VALUE]... [--preset FILE]
           [--rate HZ] [--png FILE] [--csv FILE]
      magnitude and group delay of both channels, 10 Hz to Nyquist
  generate OUT [--seconds S] [--rate HZ]
      a stereo test signal: pink noise under a slow sine sweep
  edit [--set TITLE=TEXT]... [--preset FILE] [--play FILE] [--block N]
      the plug-in's editor in a window; --play processes FILE at its real pace
      (no audio device: the meters move, nothing is heard); edits are printed
  snapshot --png FILE [--set TITLE=TEXT]... [--set-norm ID=VALUE]... [--preset FILE]
      a picture of the plug-in's editor showing these values

options for every command:
  --plugin PATH    the .vst3 bundle (default: VOSK.vst3 beside this program)

--set takes a parameter title (or control tag such as kShape1L) and a value
in the plug-in's display units, e.g. --set Freq1L=1000 --set Gain1L=3
--set kShape1L="Low Cut". --set-norm takes an identifier and a value 0..1.
)";

int usageError(const std::string& message)
{
    fprintf(stderr, "vosk: %s\n(vosk --help shows the usage)\n", message.c_str());
    return 2;
}

} // namespace

namespace {

// Accepts "--name VALUE" and "--name=VALUE".
bool takeValue(int argc, char** argv, int& i, const char* name, std::string& value, std::string& error)
{
    const size_t n = strlen(name);
    if (strncmp(argv[i], name, n) != 0) return false;
    if (argv[i][n] == '=') {
        value = argv[i] + n + 1;
        return true;
    }
    if (argv[i][n] != '\0') return false;
    if (i + 1 >= argc) {
        error = std::string(name) + " needs a value";
        value.clear();
        return true;
    }
    value = argv[++i];
    return true;
}

} // namespace
} // namespace vosk

int main(int argc, char** argv)
{
    using namespace vosk;
    removeTempFilesOnSignal();
    if (argc < 2) {
        fputs(kUsage, stderr);
        return 2;
    }
    CommandLine cmd;
    cmd.command = argv[1];
    if (cmd.command == "--help" || cmd.command == "-h" || cmd.command == "help") {
        fputs(kUsage, stdout);
        return 0;
    }

    bool rateGiven = false, secondsGiven = false;
    for (int i = 2; i < argc; ++i) {
        std::string value, error;
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            fputs(kUsage, stdout);
            return 0;
        } else if (takeValue(argc, argv, i, "--plugin", value, error)) {
            cmd.plugin = value;
        } else if (takeValue(argc, argv, i, "--set-norm", value, error) ||
                   takeValue(argc, argv, i, "--set", value, error)) {
            if (!error.empty()) return usageError(error);
            SettingRequest r;
            r.normalized = arg.rfind("--set-norm", 0) == 0;
            if (!splitAssignment(value, r.key, r.value))
                return usageError(std::string(r.normalized ? "--set-norm" : "--set") +
                                  " expects NAME=VALUE, got \"" + value + "\"");
            cmd.settings.push_back(r);
            continue;
        } else if (takeValue(argc, argv, i, "--preset", value, error)) {
            cmd.preset = value;
        } else if (takeValue(argc, argv, i, "--save-preset", value, error)) {
            cmd.savePreset = value;
        } else if (takeValue(argc, argv, i, "--block", value, error)) {
            if (error.empty() && (!parseInteger(value, cmd.block) || cmd.block < 1 || cmd.block > 65536))
                error = "--block expects a whole number from 1 to 65536, got \"" + value + "\"";
        } else if (takeValue(argc, argv, i, "--rate", value, error)) {
            rateGiven = true;
            if (error.empty() && (!parseNumber(value, cmd.rate) || cmd.rate < 8000 || cmd.rate > 768000))
                error = "--rate expects a sample rate from 8000 to 768000 Hz, got \"" + value + "\"";
        } else if (takeValue(argc, argv, i, "--seconds", value, error)) {
            secondsGiven = true;
            if (error.empty() && (!parseNumber(value, cmd.seconds) || cmd.seconds <= 0 || cmd.seconds > 3600))
                error = "--seconds expects a duration from 0 to 3600, got \"" + value + "\"";
        } else if (takeValue(argc, argv, i, "--png", value, error)) {
            cmd.png = value;
        } else if (takeValue(argc, argv, i, "--csv", value, error)) {
            cmd.csv = value;
        } else if (takeValue(argc, argv, i, "--play", value, error)) {
            cmd.play = value;
        } else if (arg == "--json") {
            cmd.json = true;
        } else if (arg == "--no-compensate") {
            cmd.compensate = false;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usageError("unknown option " + arg);
        } else {
            cmd.positional.push_back(arg);
        }
        if (!error.empty()) return usageError(error);
        if (value.empty() && arg.rfind("--", 0) == 0 && arg != "--json" && arg != "--no-compensate")
            return usageError(arg + " needs a value");
    }

    auto only = [&](size_t positionals, const char* what) -> int {
        if (cmd.positional.size() != positionals) return usageError(std::string("usage: vosk ") + what);
        return 0;
    };

    if (cmd.command == "info") {
        if (int r = only(0, "info [--json] [--plugin PATH]")) return r;
        if (!cmd.settings.empty() || !cmd.preset.empty())
            return usageError("info shows the plug-in as loaded; it takes no --set or --preset");
        return runInfo(cmd);
    }
    if (cmd.command == "render") {
        if (int r = only(2, "render IN OUT [OPTIONS]")) return r;
        if (!cmd.png.empty() || !cmd.csv.empty() || rateGiven || secondsGiven || cmd.json)
            return usageError("render takes neither --png, --csv, --rate, --seconds nor --json");
        return runRender(cmd);
    }
    if (cmd.command == "response") {
        if (int r = only(0, "response [OPTIONS]")) return r;
        if (!cmd.savePreset.empty() || !cmd.compensate || secondsGiven || cmd.json)
            return usageError("response takes neither --save-preset, --no-compensate, --seconds nor --json");
        return runResponse(cmd);
    }
    if (cmd.command == "generate") {
        if (int r = only(1, "generate OUT [--seconds S] [--rate HZ]")) return r;
        if (!rateGiven) cmd.rate = 44100;
        return runGenerate(cmd);
    }
    if (cmd.command == "snapshot") {
        if (int r = only(0, "snapshot --png FILE [OPTIONS]")) return r;
        if (cmd.png.empty()) return usageError("snapshot needs --png FILE");
        if (!cmd.csv.empty() || !cmd.savePreset.empty() || !cmd.compensate || rateGiven || secondsGiven || cmd.json)
            return usageError("snapshot takes only --png, --set, --set-norm, --preset and --plugin");
        return runSnapshot(cmd);
    }
    if (cmd.command == "edit") {
        if (int r = only(0, "edit [--set TITLE=TEXT]... [--preset FILE] [--play FILE]")) return r;
        if (!cmd.savePreset.empty() || !cmd.png.empty() || !cmd.csv.empty() || rateGiven || secondsGiven ||
            cmd.json || !cmd.compensate)
            return usageError("edit takes only --set, --set-norm, --preset, --play, --block and --plugin");
        return runEdit(cmd);
    }
    if (!cmd.play.empty()) return usageError("only edit takes --play");
    return usageError("unknown command \"" + cmd.command + "\"");
}
