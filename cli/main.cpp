// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// vosk: renders audio files through the VOSK plug-in, describes it and plots
// its response, driving the built bundle as a VST 3 host does.
#include "audioformat.h"
#include "commands.h"
#include "listen.h"
#include "hosting/fileio.h"
#include "source/version.h"

#include <cstdio>
#include <cstring>

namespace vosk {
namespace {

struct CommandHelp
{
    const char* name;
    const char* synopsis;
    const char* summary;
    std::string options;
};

const std::string kSettingOptions =
    R"(  --set TITLE=VALUE     a parameter in its display units: Freq1L=1000, Freq1L=1.5kHz,
                        Gain1L=-2dB, kShape1L="Low Cut" (vosk info lists titles,
                        tags, ranges and entries)
  --set-norm ID=VALUE   a parameter by title or identifier, normalised 0..1
  --preset FILE         a .vstpreset to load before the settings
)";

const std::string kFormatOptions =
    R"(  --format NAME         the output format, when the name's extension gives none:
                        )" +
    knownFormats() + R"(
  --no-dither           no TPDF dither when writing 8 to 24-bit samples
)";

const CommandHelp kCommands[] = {
    {"info", "vosk info [--json] [--preset FILE] [--set NAME=VALUE]...",
     "the plug-in's factory, buses, latency and parameters\n"
     "  (for each: what --set takes, its default and its value)",
     "  --json                the same as JSON\n"
     "  --preset FILE         the values after loading FILE\n"
     "  --set NAME=VALUE      the values after setting these (FftSize=32768,\n"
     "                        Phase=Minimum: their latency)\n"},
    {"render", "vosk render IN OUT [OPTIONS]",
     "processes IN into OUT (same rate, channels and length)\n"
     "  OUT's format follows its extension; - is standard input or output",
     kSettingOptions + "  --save-preset FILE    also save the settings as a preset\n" + kFormatOptions +
         "  --bits 16|24|32|float the sample type (default: IN's where OUT's format holds it,\n"
         "                        otherwise 24)\n"
         "  --block N             the processing block size, 1..65536 (default " +
         std::to_string(kDefaultBlock) +
         ")\n"
         "  --no-compensate       keep the plug-in's latency at the start (and lose as much\n"
         "                        at the end, unless --tail)\n"
         "  --tail                also the filter's decay after IN's end\n"
         "  --out-dir DIR         every IN into DIR under its own name (the extension follows\n"
         "                        --format), several at once, then the album's loudness:\n"
         "                        vosk render IN... --out-dir DIR\n"
         "  --jobs N              with --out-dir, the files rendered at once (default: one\n"
         "                        per core)\n"

         "  --listen solo:3L|delta|compare\n"
         "                        what the engineer hears with a listening tool on: band 3\n"
         "                        of the left/mid channel alone (1R..4R: right/side), what\n"
         "                        the equaliser changes, or IN at the processed loudness\n"},
    {"response", "vosk response [OPTIONS]",
     "magnitude and group delay of both channels, 10 Hz to Nyquist\n"
     "  as CSV on standard output or into files",
     kSettingOptions + "  --rate HZ             the sample rate (default " +
         std::to_string(kDefaultResponseRate) +
         ")\n"
         "  --png FILE            a plot, with the impulse response in linear and in\n"
         "                        minimum phase under it; FILE ends in .png, or is - for\n"
         "                        standard output\n"
         "  --csv FILE            the table\n"},
    {"generate", "vosk generate OUT [OPTIONS]",
     "a stereo test signal: pink noise under a slow sine sweep\n"
     "  OUT's format follows its extension",
     "  --seconds S           the length, up to 3600 (default " + std::to_string(kDefaultSeconds) +
         ")\n"
         "  --rate HZ             the sample rate (default " +
         std::to_string(kDefaultGenerateRate) + ")\n" + kFormatOptions +
         "  --bits 16|24|32|float the sample type (default 24)\n"},
    {"analyze", "vosk analyze FILE... [--json] [--png FILE]",
     "loudness, true peak and levels of each file\n"
     "  (EBU R128 loudness and range, true and sample peak, RMS, crest factor, DC offset,\n"
     "  correlation; with --png the long-term spectra); of several, the album's loudness",
     "  --json                one object per file, in an array; null where a figure has no value\n"
     "  --png FILE            each channel's long-term spectrum, smoothed to 1/6 octave\n"
     "  --jobs N              the files measured at once (default: one per core)\n"},
    {"match", "vosk match MIX REFERENCE [OPTIONS]",
     "a match EQ: the bands that bring MIX towards REFERENCE's tone\n"
     "  (each channel's four bands fitted to the difference of the long-term spectra,\n"
     "  loudness-normalised, 30 Hz to 16 kHz)",
     "  --mode lr|ms          fit left and right, or mid and side (default lr)\n"
     "  --amount PERCENT      how much of the correction, 0 to 100 (default 100)\n"
     "  --save-preset FILE    save the fitted settings as a preset\n"
     "  --png FILE            a plot of the target difference, the fit and what remains\n"},
    {"edit", "vosk edit [OPTIONS]", "the plug-in's editor in a window; edits are printed",
     kSettingOptions +
         "  --play FILE           process FILE at its real pace (no audio device: the\n"
         "                        meters move, nothing is heard)\n"
         "  --block N             the block size for --play (default " +
         std::to_string(kDefaultBlock) + ")\n"
         "  --curve               open with the curve panel showing\n"},
    {"snapshot", "vosk snapshot --png FILE [OPTIONS]",
     "a picture of the plug-in's editor showing these values",
     kSettingOptions + "  --curve               with the curve panel open: the response and its handles\n"},
};

std::string commandHelp(const CommandHelp& c)
{
    return std::string("usage: ") + c.synopsis + "\n  " + c.summary + "\n\n" + c.options;
}

std::string usage()
{
    std::string text = "usage: vosk COMMAND [OPTIONS]   (options may stand before or after COMMAND)\n\n";
    text += "commands (vosk COMMAND --help shows each one's options and defaults):\n";
    for (const auto& c : kCommands) {
        const std::string summary = c.summary;
        text += std::string("  ") + c.synopsis + "\n      " + summary.substr(0, summary.find('\n')) + "\n";
    }
    text += R"(
options for every command:
  --plugin PATH   the .vst3 bundle (default: VOSK.vst3 beside this program, else
                  in $VST3_PATH, ~/.vst3, /usr/local/lib/vst3, /usr/lib/vst3)
  -q, --quiet     print nothing but errors
  -h, --help      this text; vosk COMMAND --help for one command
  --version       the version

exit status: 0 done; 1 failed (a file, the plug-in, a preset or a value it
refuses), leaving nothing new; 2 the command line is malformed (an unknown
command or option, a missing or malformed option value, an output name
without a format); 128+N ended by signal N
)";
    return text;
}

int usageError(const std::string& message)
{
    fprintf(stderr, "vosk: %s\n(vosk --help shows the usage)\n", message.c_str());
    return 2;
}

const CommandHelp* findCommand(const std::string& name)
{
    for (const auto& c : kCommands)
        if (name == c.name) return &c;
    return nullptr;
}

// Accepts "--name VALUE" and "--name=VALUE".
bool takeValue(int argc, char** argv, int& i, const char* name, std::string& value, std::string& error)
{
    const size_t n = strlen(name);
    if (strncmp(argv[i], name, n) != 0) return false;
    if (argv[i][n] == '=') {
        value = argv[i] + n + 1;
        if (value.empty()) error = std::string(name) + " needs a value";
        return true;
    }
    if (argv[i][n] != '\0') return false;
    if (i + 1 >= argc || argv[i + 1][0] == '\0') {
        error = std::string(name) + " needs a value";
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
        fputs(usage().c_str(), stderr);
        return 2;
    }
    CommandLine cmd;
    bool help = false, rateGiven = false, secondsGiven = false, blockGiven = false, modeGiven = false,
         amountGiven = false;
    for (int i = 1; i < argc; ++i) {
        std::string value, error;
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            help = true;
        } else if (arg == "--version") {
            printf("vosk %s\n%s\nLicense: %s.\n"
                   "This is free software: you may change and share it under that licence.\n"
                   "There is NO WARRANTY, to the extent permitted by law.\n",
                   vosk::kVersion, vosk::kCopyright, vosk::kLicense);
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
        } else if (takeValue(argc, argv, i, "--preset", value, error)) {
            cmd.preset = value;
        } else if (takeValue(argc, argv, i, "--save-preset", value, error)) {
            cmd.savePreset = value;
        } else if (takeValue(argc, argv, i, "--block", value, error)) {
            blockGiven = true;
            if (error.empty() && (!parseInteger(value, cmd.block) || cmd.block < 1 || cmd.block > 65536))
                error = "--block expects a whole number from 1 to 65536, got \"" + value + "\"";
        } else if (takeValue(argc, argv, i, "--rate", value, error)) {
            rateGiven = true;
            if (error.empty() && (!parseNumber(value, cmd.rate) || cmd.rate < 8000 || cmd.rate > 768000))
                error = "--rate expects a sample rate from 8000 to 768000 Hz, got \"" + value + "\"";
        } else if (takeValue(argc, argv, i, "--seconds", value, error)) {
            secondsGiven = true;
            if (error.empty() && (!parseNumber(value, cmd.seconds) || cmd.seconds <= 0 || cmd.seconds > 3600))
                error = "--seconds expects a duration above 0, up to 3600, got \"" + value + "\"";
        } else if (takeValue(argc, argv, i, "--png", value, error)) {
            cmd.png = value;
        } else if (takeValue(argc, argv, i, "--mode", value, error)) {
            modeGiven = true;
            if (error.empty() && value != "lr" && value != "ms")
                error = "--mode expects lr or ms, got \"" + value + "\"";
            cmd.mode = value;
        } else if (takeValue(argc, argv, i, "--amount", value, error)) {
            amountGiven = true;
            if (error.empty() && (!parseNumber(value, cmd.amount) || cmd.amount < 0 || cmd.amount > 100))
                error = "--amount expects a percentage from 0 to 100, got \"" + value + "\"";
        } else if (takeValue(argc, argv, i, "--csv", value, error)) {
            cmd.csv = value;
        } else if (takeValue(argc, argv, i, "--play", value, error)) {
            cmd.play = value;
        } else if (takeValue(argc, argv, i, "--format", value, error)) {
            cmd.format = value;
        } else if (takeValue(argc, argv, i, "--bits", value, error)) {
            cmd.bits = value;
        } else if (takeValue(argc, argv, i, "--out-dir", value, error)) {
            cmd.outDir = value;
        } else if (takeValue(argc, argv, i, "--jobs", value, error)) {
            long long jobs = 0;
            if (error.empty() && (!parseInteger(value, jobs) || jobs < 1 || jobs > 256))
                error = "--jobs expects a whole number from 1 to 256, got \"" + value + "\"";
            cmd.jobs = static_cast<int>(jobs);
        } else if (takeValue(argc, argv, i, "--listen", value, error)) {
            ListeningRequest request;
            if (error.empty()) parseListen(value, request, error);
            cmd.listen = value;
        } else if (arg == "--json") {
            cmd.json = true;
        } else if (arg == "--no-compensate") {
            cmd.compensate = false;
        } else if (arg == "--tail") {
            cmd.tail = true;
        } else if (arg == "--curve") {
            cmd.curve = true;
        } else if (arg == "--no-dither") {
            cmd.dither = false;
        } else if (arg == "-q" || arg == "--quiet") {
            cmd.quiet = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usageError("unknown option " + arg);
        } else if (cmd.command.empty()) {
            cmd.command = arg;
        } else {
            cmd.positional.push_back(arg);
        }
        if (!error.empty()) return usageError(error);
    }

    const CommandHelp* command = findCommand(cmd.command);
    if (help) {
        fputs(command ? commandHelp(*command).c_str() : usage().c_str(), stdout);
        return 0;
    }
    if (cmd.command.empty()) return usageError("no command given");
    if (!command) return usageError("unknown command \"" + cmd.command + "\"");
    if (cmd.curve && cmd.command != "snapshot" && cmd.command != "edit")
        return usageError(cmd.command + " takes no --curve");
    if (!cmd.listen.empty() && cmd.command != "render") return usageError(cmd.command + " takes no --listen");

    const bool toStandardOutput = cmd.png == "-" || cmd.csv == "-" || cmd.savePreset == "-" ||
                                  ((cmd.command == "render" || cmd.command == "generate") &&
                                   !cmd.positional.empty() && cmd.positional.back() == "-");
    setNotes(cmd.quiet, toStandardOutput);
    const bool audioOptions = !cmd.format.empty() || !cmd.bits.empty() || !cmd.dither || cmd.tail;
    auto only = [&](size_t positionals) -> int {
        if (cmd.positional.size() == positionals) return 0;
        return usageError(std::string("usage: ") + command->synopsis);
    };
    auto refuse = [&](bool given, const char* what) -> int {
        return given ? usageError(cmd.command + " takes no " + what) : 0;
    };
    auto refuseAll = [&](std::initializer_list<std::pair<bool, const char*>> options) -> int {
        for (const auto& o : options)
            if (int r = refuse(o.first, o.second)) return r;
        return 0;
    };
    const bool settings = !cmd.settings.empty(), preset = !cmd.preset.empty();

    if (cmd.command != "match")
        if (int r = refuse(modeGiven || amountGiven, "--mode or --amount (only match takes them)")) return r;
    if (cmd.command != "render")
        if (int r = refuse(!cmd.outDir.empty(), "--out-dir (only render takes it)")) return r;
    if (cmd.command != "render" && cmd.command != "analyze")
        if (int r = refuse(cmd.jobs > 0, "--jobs (only render and analyze take it)")) return r;
    const bool notForFiles = settings || preset || rateGiven || secondsGiven || blockGiven || audioOptions ||
                             !cmd.compensate || !cmd.csv.empty() || !cmd.play.empty();
    if (cmd.command == "analyze") {
        if (cmd.positional.empty()) return usageError(std::string("usage: ") + command->synopsis);
        if (int r = refuseAll({{!cmd.savePreset.empty(), "--save-preset"},
                               {notForFiles, "plug-in settings, presets or audio options"}}))
            return r;
        return runAnalyze(cmd);
    }
    if (cmd.command == "match") {
        if (int r = only(2)) return r;
        if (int r = refuseAll(
                {{cmd.json, "--json"}, {notForFiles, "plug-in settings, presets or audio options"}}))
            return r;
        return runMatch(cmd);
    }
    if (cmd.command == "info") {
        if (int r = only(0)) return r;
        if (int r = refuseAll({{!cmd.savePreset.empty(), "--save-preset"},
                               {!cmd.png.empty() || !cmd.csv.empty(), "--png or --csv"},
                               {rateGiven || secondsGiven || blockGiven, "--rate, --seconds or --block"},
                               {audioOptions || !cmd.compensate, "output options"}}))
            return r;
        return runInfo(cmd);
    }
    if (int r = refuse(cmd.json, "--json")) return r;
    if (cmd.command != "edit")
        if (int r = refuse(!cmd.play.empty(), "--play (only edit plays a file)")) return r;
    if (cmd.command == "render") {
        if (cmd.outDir.empty()) {
            if (int r = refuse(cmd.jobs > 0, "--jobs without --out-dir")) return r;
            if (int r = only(2)) return r;
        } else {
            if (cmd.positional.empty()) return usageError("usage: vosk render IN... --out-dir DIR [OPTIONS]");
            if (int r = refuse(!cmd.savePreset.empty(), "--save-preset with --out-dir (save it with one file)"))
                return r;
        }
        if (int r = refuseAll({{!cmd.png.empty() || !cmd.csv.empty(), "--png or --csv"},
                               {rateGiven || secondsGiven, "--rate or --seconds (the input sets them)"}}))
            return r;
        return runRender(cmd);
    }
    if (cmd.command == "response") {
        if (int r = only(0)) return r;
        if (int r = refuseAll({{!cmd.savePreset.empty(), "--save-preset"},
                               {secondsGiven || blockGiven, "--seconds or --block"},
                               {audioOptions || !cmd.compensate, "audio output options"}}))
            return r;
        if (!rateGiven) cmd.rate = kDefaultResponseRate;
        return runResponse(cmd);
    }
    if (cmd.command == "generate") {
        if (int r = only(1)) return r;
        if (int r = refuseAll(
                {{settings || preset || !cmd.savePreset.empty(), "plug-in settings or presets"},
                 {!cmd.png.empty() || !cmd.csv.empty(), "--png or --csv"},
                 {blockGiven || !cmd.compensate || cmd.tail, "--block, --no-compensate or --tail"}}))
            return r;
        if (!rateGiven) cmd.rate = kDefaultGenerateRate;
        return runGenerate(cmd);
    }
    if (cmd.command == "snapshot") {
        if (int r = only(0)) return r;
        if (cmd.png.empty()) return usageError("snapshot needs --png FILE");
        if (int r = refuseAll({{!cmd.csv.empty() || !cmd.savePreset.empty(), "--csv or --save-preset"},
                               {rateGiven || secondsGiven || blockGiven, "--rate, --seconds or --block"},
                               {audioOptions || !cmd.compensate, "audio output options"}}))
            return r;
        return runSnapshot(cmd);
    }
    // edit
    if (int r = only(0)) return r;
    if (int r = refuseAll({{!cmd.savePreset.empty() || !cmd.png.empty() || !cmd.csv.empty(),
                            "--save-preset, --png or --csv"},
                           {rateGiven || secondsGiven, "--rate or --seconds"},
                           {audioOptions || !cmd.compensate, "audio output options"}}))
        return r;
    return runEdit(cmd);
}
