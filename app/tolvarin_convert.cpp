// tolvarin-convert: converts PANCHARI documents (RTF, DOCX, ODT; presentations and
// spreadsheets; .doc through LibreOffice) to ML-TTRevathi or Unicode Malayalam.
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <new>
#include <string>
#include <system_error>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif
#ifdef __GLIBC__
#include <malloc.h>
#endif
#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <shellapi.h>
#endif

#include "api/convert_document.h"
#include "io/file_io.h"
#include "output_path.h"

namespace fs = std::filesystem;
using namespace tolvarin;

namespace {

constexpr const char* kProgram = "tolvarin-convert";
// As an input, standard input; as -o, standard output.
constexpr std::string_view kStdio = "-";
constexpr const char* kStdinName = "- (standard input)";

void usage(std::ostream& out) {
    out << "Usage: " << kProgram << " [--unicode [--font NAME] [--text] [--detect]] [-o OUTPUT | -d DIR] [-q]\n"
        << "                        [--to FONT [--text]] [--from ENCODING[,ENCODING...]]\n"
        << "                        [--legacy-font NAME=ENCODING]... FILE...\n"
        << "       " << kProgram << " --fonts FILE...\n"
        << "Convert documents (RTF, DOCX, ODT; .doc through LibreOffice) and OpenDocument\n"
        << "presentations and spreadsheets (PPTX, XLSX, ODP, ODS) typed in the\n"
        << "PANCHARI font to the ML-TTRevathi font,\n"
        << "or documents typed in any legacy Malayalam encoding (" << legacyEncodingList(", ") << ")\n"
        << "to Unicode Malayalam. Everything else in the document is kept as it is.\n"
        << "\n"
        << "Each FILE is written as Converted_<name> in its own folder (a .doc as\n"
        << "Converted_<name>.docx), unless:\n"
        << "  -o OUTPUT   write the result to OUTPUT (one FILE only); -o - writes it\n"
        << "              to standard output\n"
        << "  -d DIR      write every result into the folder DIR, made if it is missing\n"
        << "  --unicode   write the PANCHARI text as Unicode Malayalam, in the font\n"
        << "              \"" << kDefaultUnicodeFont << "\" unless --font names another\n"
        << "  --font NAME the Unicode Malayalam font, e.g. \"Nirmala UI\" on Windows\n"
        << "  --to FONT   write the Malayalam text in FONT: unicode (as --unicode), or a\n"
        << "              legacy font (ML-TTKarthika, ML-TTRevathi, PANCHARI, Manorama ...);\n"
        << "              Unicode Malayalam and every other legacy encoding's text is\n"
        << "              rewritten into FONT's codes. With --text, or for a plain text file\n"
        << "              (.txt, UTF-8), the text is written as FONT's codes in Windows-1252\n"
        << "              bytes, as a desktop-publishing program imports it\n"
        << "  --from ENCODING[,ENCODING...]\n"
        << "              with --to FONT, convert only these encodings' text (or unicode);\n"
        << "              a plain text file given one encoding is read as its codes\n"
        << "  --text      with --unicode: write the text alone, UTF-8, a paragraph a line,\n"
        << "              as Converted_<name>.txt; with --to FONT, in FONT's codes\n"
        << "  --detect    with --unicode: also convert the words in ordinary fonts (Calibri,\n"
        << "              Arial ...) that read clearly as a legacy encoding, where a\n"
        << "              document lost its legacy font's name; English words stay\n"
        << "  --legacy-font NAME=ENCODING\n"
        << "              text in the font NAME is in ENCODING (" << legacyEncodingList(" or ") << "),\n"
        << "              for a legacy font of an unusual name\n"
        << "  --fonts     list the fonts each FILE's text is set in, how many characters\n"
        << "              each and which known encoding each is; convert nothing\n"
        << "  -q          print nothing but errors\n"
        << "  --help      show this help and exit\n"
        << "  --version   show the version and exit\n"
        << "\n"
        << "FILE - reads the document from standard input (the only FILE then) and\n"
        << "writes the result to standard output, unless -o names a file. Output to\n"
        << "standard output is written only once the whole conversion has succeeded.\n"
        << "\n"
        << "An input file is never overwritten, nor a result written earlier in the\n"
        << "same run: a second input of the same name gets Converted_<name> (2).\n"
        << "Exit status: 0 when every file was converted, 1 when any failed, 2 for\n"
        << "wrong usage.\n";
}

int usageError(const std::string& what) {
    std::cerr << kProgram << ": " << what << "\n"
              << "Try '" << kProgram << " --help' for more information.\n";
    return 2;
}

bool samePath(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    if (fs::exists(a, ec) && fs::exists(b, ec)) return fs::equivalent(a, b, ec);
    return fs::weakly_canonical(a, ec) == fs::weakly_canonical(b, ec);
}

bool anySame(const fs::path& path, const std::vector<fs::path>& others) {
    for (const fs::path& other : others)
        if (samePath(path, other)) return true;
    return false;
}

// "Converted_a (2).rtf", "Converted_a (3).rtf", ...: the first name that no file has
// and that this run has not written.
fs::path freeName(const fs::path& taken, const std::vector<fs::path>& written) {
    for (int n = 2;; ++n) {
        fs::path candidate = taken.parent_path() / taken.stem();
        candidate += " (" + std::to_string(n) + ")";
        candidate += taken.extension();
        std::error_code ec;
        if (!fs::exists(candidate, ec) && !anySame(candidate, written)) return candidate;
    }
}

// The fonts a document's text is set in: how many characters each, and which known
// legacy font each is.
void printFonts(const std::string& label, const std::vector<FontUse>& fonts) {
    std::cout << label << ":\n";
    if (fonts.empty()) std::cout << "  no text\n";
    for (const FontUse& f : fonts) {
        std::cout << "  " << (f.name.empty() ? "(no font)" : f.name) << ": " << grouped(f.characters) << " characters, "
                  << (f.encoding.empty() ? std::string("not a legacy font") : f.encoding + " encoding");
        if (!f.found.empty())
            std::cout << "; " << grouped(f.foundCharacters) << " of them read as " << f.found << ": " << f.foundSample
                      << " (--unicode --detect converts them)";
        std::cout << "\n";
    }
}

// Standard input, whole. Returns an empty string, or what went wrong.
std::string readStandardInput(std::string& out) {
#ifdef _WIN32
    _setmode(_fileno(stdin), _O_BINARY);
#endif
    char buffer[1 << 16];
    for (;;) {
        const std::size_t n = std::fread(buffer, 1, sizeof buffer, stdin);
        out.append(buffer, n);
        if (out.size() > kMaxInputFileSize) return "the input is larger than 1 GiB, too large for a document";
        if (n < sizeof buffer) break;
    }
    if (std::ferror(stdin)) return "cannot read standard input";
    return {};
}

// Writes a finished result to standard output. Returns an empty string, or what went wrong.
std::string writeStandardOutput(std::string_view bytes) {
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    std::cout.flush();
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0)
        return "cannot write to standard output";
    return {};
}

// The arguments in UTF-8. Windows hands a program's char arguments over in the ANSI
// code page, which loses any name outside it; its UTF-16 command line keeps them.
std::vector<std::string> arguments(int argc, char** argv) {
    std::vector<std::string> args;
#ifdef _WIN32
    (void)argc;
    (void)argv;
    SetConsoleOutputCP(CP_UTF8);
    int n = 0;
    if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &n)) {
        for (int i = 0; i < n; ++i) args.push_back(displayPath(fs::path(wide[i])));
        LocalFree(wide);
    }
#else
    args.assign(argv, argv + argc);
#endif
    return args;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef SIGXFSZ
    // A file-size limit must fail the write, which the save reports and cleans up
    // after, rather than kill the process with its temporary file behind.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
#ifdef SIGBUS
    // Inputs are mapped into memory; one that another program cuts short meanwhile
    // ends the run with a word, before the output being written is given its name.
    std::signal(SIGBUS, [](int) {
        static const char kMessage[] =
            "tolvarin-convert: an input file was changed by another program while it was being read; "
            "the output being written was not saved\n";
        [[maybe_unused]] auto n = ::write(2, kMessage, sizeof kMessage - 1);
        ::_exit(1);
    });
#endif
#ifdef __GLIBC__
    // A conversion frees and allocates buffers of megabytes again and again; kept in the
    // heap, they are reused, where returned to the system each would be faulted in anew,
    // which costs more than filling it. The process is short-lived.
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
#endif
    std::string output;
    std::string outputDir;
    bool quiet = false;
    bool unicode = false, text = false, fonts = false, detect = false;
    std::string font, to, from;
    std::vector<std::string> inputs;
    bool optionsDone = false;
    const std::vector<std::string> args = arguments(argc, argv);
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsDone || arg.empty() || arg[0] != '-' || arg == "-") {
            inputs.push_back(arg);
        } else if (arg == "--") {
            optionsDone = true;
        } else if (arg == "--help" || arg == "-h") {
            usage(std::cout);
            return 0;
        } else if (arg == "--version") {
            std::cout << kProgram << " " << TOLVARIN_VERSION << "\n" << kLicenceNotice << "\n";
            return 0;
        } else if (arg == "-q" || arg == "--quiet") {
            quiet = true;
        } else if (arg == "--unicode") {
            unicode = true;
        } else if (arg == "--text") {
            text = true;
        } else if (arg == "--fonts") {
            fonts = true;
        } else if (arg == "--detect") {
            detect = true;
        } else if (arg == "--legacy-font") {
            if (i + 1 >= args.size()) return usageError("option --legacy-font needs an argument");
            const std::string& given = args[++i];
            const std::size_t eq = given.rfind('=');
            if (eq == std::string::npos || eq == 0)
                return usageError("--legacy-font takes NAME=ENCODING, a font's name and its encoding: " + given);
            if (!nameLegacyFont(given.substr(0, eq), given.substr(eq + 1)))
                return usageError("--legacy-font " + given + ": no encoding is called " + given.substr(eq + 1) +
                                  "; the encodings are " + legacyEncodingList(" and "));
        } else if (arg == "-o" || arg == "-d" || arg == "--font" || arg == "--to" || arg == "--from") {
            if (i + 1 >= args.size()) return usageError("option " + arg + " needs an argument");
            (arg == "-o" ? output : arg == "-d" ? outputDir : arg == "--font" ? font : arg == "--to" ? to : from) = args[++i];
        } else {
            return usageError("unknown option " + arg);
        }
    }
    if (inputs.empty()) return usageError("no input file");
    const bool fromStdin = std::find(inputs.begin(), inputs.end(), kStdio) != inputs.end();
    if (fromStdin && inputs.size() != 1) return usageError("standard input (-) must be the only input");
    if (fromStdin && !outputDir.empty()) return usageError("-d does not take standard input; use -o FILE or none");
    const bool toStdout = !fonts && (output == kStdio || (fromStdin && output.empty()));
    if (!output.empty() && !outputDir.empty()) return usageError("-o and -d cannot be used together");
    if (!output.empty() && inputs.size() != 1) return usageError("-o takes exactly one input file");
    ConversionOptions options;
    if (!to.empty()) {
        std::string error;
        if (!legacyTargetCalled(to, options, error)) return usageError("--to " + to + ": " + error);
        if (unicode && options.toLegacy()) return usageError("--unicode and --to " + to + " ask for two things: give one");
        unicode = unicode || options.unicode;
    }
    if (!from.empty()) {
        std::string error;
        if (!legacySourcesCalled(from, options, error)) return usageError("--from " + from + ": " + error);
    }
    if ((!font.empty() || detect) && !unicode) return usageError("--font and --detect go with --unicode");
    if (text && !unicode && !options.toLegacy()) return usageError("--text goes with --unicode or --to FONT");
    if (fonts && (unicode || detect || !output.empty() || !outputDir.empty() || !to.empty()))
        return usageError("--fonts converts nothing: it takes no --unicode, --to, --detect, -o or -d");
    options.unicode = unicode;
    options.textOnly = text;
    options.detect = detect;
    if (!font.empty()) options.unicodeFont = font;

    if (!outputDir.empty()) {
        // Made with its parents, as word processors' batch converters do.
        std::error_code ec;
        const fs::path dir = fs::u8path(outputDir);
        fs::create_directories(longPath(dir), ec);
        if (ec || !fs::is_directory(dir)) {
            std::cerr << kProgram << ": cannot make the folder " << outputDir << ": "
                      << (ec ? ec.message() : "a file of that name is in the way") << "\n";
            return 1;
        }
    }

    std::vector<fs::path> inputPaths, written;
    for (const std::string& input : inputs)
        if (input != kStdio) inputPaths.push_back(fs::u8path(input));
    if (inputPaths.size() > 1) {
        // Word 97-2003 documents among the inputs go to LibreOffice together.
        std::vector<std::unique_ptr<InputFile>> opened;
        std::vector<std::string_view> all;
        for (const fs::path& path : inputPaths) {
            auto file = std::make_unique<InputFile>();
            if (!file->open(fs::path(path).make_preferred()).empty()) continue;
            all.push_back(file->bytes());
            opened.push_back(std::move(file));
        }
        prepareDocuments(all);
    }
    int status = 0;
    for (const std::string& input : inputs) {
        const bool stdinInput = input == kStdio;
        const std::string label = stdinInput ? kStdinName : input;
        // Windows takes / as well as \; the path rule splits on the preferred one.
        const fs::path inPath = fs::u8path(input).make_preferred();
        auto fail = [&](const std::string& reason) {
            std::cerr << kProgram << ": " << label << ": " << reason << "\n";
            status = 1;
        };

        InputFile in;
        std::string piped;
        if (std::string error = stdinInput ? readStandardInput(piped) : in.open(inPath); !error.empty()) {
            fail(error);
            continue;
        }
        const std::string_view bytes = stdinInput ? std::string_view(piped) : in.bytes();
        if (fonts) {
            const FontsReport listed = documentFonts(bytes);
            if (listed.ok) printFonts(label, listed.fonts);
            else fail(listed.error);
            continue;
        }
        const PlannedOutput planned = plannedOutput(bytes, options);
        if (planned.passedOver) {
            // A file that is no document, beside the documents: said, and the batch goes on.
            std::cerr << kProgram << ": " << label << ": " << kWordLockFile << "\n";
            continue;
        }

        fs::path outPath;
        std::string renamed;
        if (!toStdout) {
            if (!output.empty()) {
                outPath = fs::u8path(output);
                // The name asked for is written, and the line says what it holds.
                if (withExtensionOf(outPath, planned.format) != outPath)
                    renamed = " (written as " + std::string(writtenKindName(planned.format)) + ", which the name's extension " +
                              displayPath(outPath.extension()) + " does not say)";
            } else {
                std::u16string folder = outputDir.empty() ? FolderOf(inPath.u16string())
                                                          : fs::u8path(outputDir).make_preferred().u16string();
                if (folder.empty()) folder = u".";
                // Its extension says what it holds: a .doc is written as a DOCX, RTF named
                // .docx as .rtf.
                outPath = withExtensionOf(fs::path(DeriveOutputFilename(inPath.u16string(), folder)), planned.format);
            }
            if (anySame(outPath, inputPaths)) {
                fail("the output " + displayPath(outPath) + " is an input file; it was not overwritten");
                continue;
            }
            // Two inputs of one name in a batch: the later one must not replace the first's result.
            if (anySame(outPath, written)) {
                renamed = " (" + displayPath(outPath.filename()) + " was written earlier in this run)";
                outPath = freeName(outPath, written);
            }
        }

        // Standard output is written only once the whole conversion has succeeded.
        std::string result;
        const ConversionReport outcome =
            convertDocument(bytes, options, toStdout ? intoString(result) : intoFile(outPath));
        std::string error = outcome.error;
        if (outcome.ok && toStdout) error = writeStandardOutput(result);
        if (!error.empty()) {
            fail(error);
            continue;
        }
        if (!toStdout) written.push_back(outPath);
        for (const std::string& warning : outcome.warnings) std::cerr << kProgram << ": " << label << ": " << warning << "\n";
        if (!outcome.foundText.empty())
            std::cerr << kProgram << ": " << label << ": " << outcome.foundText
                      << (options.unicode ? "; add --detect to convert them" : "; add --unicode --detect to convert them")
                      << "\n";
        if (outcome.kept() > 0) std::cerr << kProgram << ": " << label << ": " << keptCharactersNote(outcome.kept()) << "\n";
        if (const std::string note = notDrawnNote(outcome); !note.empty())
            std::cerr << kProgram << ": " << label << ": " << note << "\n";
        if (!quiet) {
            // Standard output carries the document itself: the line goes to standard error then.
            std::ostream& report = toStdout ? std::cerr : std::cout;
            report << label << " -> " << (toStdout ? std::string("(standard output)") : displayPath(outPath)) << ": "
                   << conversionSummary(outcome, text) << renamed
                   << (outcome.fromWordBinary ? " (a Word 97-2003 document, read through LibreOffice)" : "") << "\n";
        }
    }
    return status;
}
