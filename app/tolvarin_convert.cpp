// tolvarin-convert: converts PANCHARI documents (RTF, DOCX, ODT, and .doc through
// LibreOffice) to ML-TTRevathi or Unicode Malayalam from the command line.
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
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

#include "convert/conversion.h"
#include "model/document.h"
#include "io/file_io.h"
#include "output_path.h"
#include "convert/rtf_rewriter.h"
#include "fonts/legacy_font.h"
#include "fonts/unicode_malayalam.h"
#include "office/package_conversion.h"
#include "office/word_binary.h"

namespace fs = std::filesystem;
using namespace tolvarin;

namespace {

constexpr const char* kProgram = "tolvarin-convert";
// As an input, standard input; as -o, standard output.
constexpr std::string_view kStdio = "-";
constexpr const char* kStdinName = "- (standard input)";

void usage(std::ostream& out) {
    out << "Usage: " << kProgram << " [--unicode [--font NAME] [--text]] [-o OUTPUT | -d DIR] [-q]\n"
        << "                        [--legacy-font NAME=ENCODING]... FILE...\n"
        << "       " << kProgram << " --fonts FILE...\n"
        << "Convert documents (RTF, DOCX, ODT; .doc through LibreOffice) typed in the\n"
        << "PANCHARI font to the ML-TTRevathi font,\n"
        << "or documents typed in PANCHARI and the ML-TT fonts (ML-TTRevathi,\n"
        << "ML-TTKarthika, ...) to Unicode Malayalam. Everything else in the document is\n"
        << "kept as it is.\n"
        << "\n"
        << "Each FILE is written as Converted_<name> in its own folder (a .doc as\n"
        << "Converted_<name>.docx), unless:\n"
        << "  -o OUTPUT   write the result to OUTPUT (one FILE only); -o - writes it\n"
        << "              to standard output\n"
        << "  -d DIR      write every result into the folder DIR, made if it is missing\n"
        << "  --unicode   write the PANCHARI text as Unicode Malayalam, in the font\n"
        << "              \"" << kDefaultUnicodeFont << "\" unless --font names another\n"
        << "  --font NAME the Unicode Malayalam font, e.g. \"Nirmala UI\" on Windows\n"
        << "  --text      with --unicode: write the text alone, UTF-8, a paragraph a line,\n"
        << "              as Converted_<name>.txt\n"
        << "  --legacy-font NAME=ENCODING\n"
        << "              text in the font NAME is in ENCODING (PANCHARI or ML-TT), for\n"
        << "              a legacy font of an unusual name\n"
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

// The document's text in Unicode Malayalam, as UTF-8 plain text, into `utf8`.
RewriteOutcome unicodeText(std::string_view rtf, std::string& utf8) {
    RewriteOutcome outcome;
    Document doc;
    LoadResult loaded = doc.setRtf(rtf);
    if (!loaded) {
        outcome.ok = false;
        outcome.error = loaded.description;
        return outcome;
    }
    const auto& runs = doc.runs();
    outcome.convertedByFont.assign(legacyFonts().size(), 0);
    std::vector<bool> used(doc.fonts().size());
    for (std::size_t r = 0; r < runs.size(); ++r) {
        const std::size_t end = r + 1 < runs.size() ? runs[r + 1].start : doc.length();
        const Font& font = doc.fonts()[runs[r].format.font];
        if (const LegacyFont* legacy = legacyFontNamed(font.name)) {
            outcome.converted += end - runs[r].start;
            outcome.convertedByFont[legacyFontIndex(*legacy)] += end - runs[r].start;
        }
        const std::u16string_view text = std::u16string_view(doc.text()).substr(runs[r].start, end - runs[r].start);
        const bool hasText = std::any_of(text.begin(), text.end(), [](char16_t c) { return c >= 0x20; });
        if (hasText && !font.name.empty() && !used[runs[r].format.font] &&
            std::find(outcome.textFonts.begin(), outcome.textFonts.end(), font.name) == outcome.textFonts.end())
            outcome.textFonts.push_back(font.name);
        if (hasText) used[runs[r].format.font] = true;
    }
    std::vector<std::size_t> kept;
    utf8 = documentUnicodeText(doc, &outcome.unknown, &kept);
    outcome.converted -= std::min(outcome.converted, outcome.unknown);
    for (std::size_t f = 0; f < kept.size(); ++f)
        outcome.convertedByFont[f] -= std::min(outcome.convertedByFont[f], kept[f]);
    return outcome;
}

// What a file's line says of its conversion.
std::string summary(const RewriteOutcome& outcome, bool text) {
    if (const std::string byFont = convertedByFontNote(outcome.convertedByFont); !byFont.empty()) return byFont;
    if (outcome.converted > 0 || outcome.unknown > 0) return std::to_string(outcome.converted) + " characters converted";
    // A document typed in another font, said plainly: in a batch it must not pass for one that converted.
    std::string line = "no text in PANCHARI";
    if (!outcome.textFonts.empty()) {
        line += " (fonts used: ";
        for (std::size_t i = 0; i < outcome.textFonts.size(); ++i) line += (i ? ", " : "") + outcome.textFonts[i];
        line += ")";
    }
    return line + (text ? "; its text written as it is" : "; written unchanged");
}

// The fonts a document's text is set in: how many characters each, and which known
// encoding each is. Returns an empty string, or what went wrong.
void printFonts(const std::string& label, const std::vector<std::pair<std::string, std::size_t>>& fonts) {
    std::cout << label << ":\n";
    if (fonts.empty()) std::cout << "  no text\n";
    for (const auto& [name, count] : fonts) {
        const LegacyFont* legacy = legacyFontNamed(name);
        std::cout << "  " << (name.empty() ? "(no font)" : name) << ": " << count << " characters, "
                  << (legacy ? std::string(legacy->name()) : std::string("not a legacy font")) << "\n";
    }
}

std::string listFonts(std::string_view rtf, const std::string& label) {
    if (documentKind(rtf) == DocumentKind::Package) {
        std::vector<std::pair<std::string, std::size_t>> fonts;
        if (std::string error = packageFonts(rtf, fonts); !error.empty()) return error;
        printFonts(label, fonts);
        return {};
    }
    Document doc;
    LoadResult loaded = doc.setRtf(rtf);
    if (!loaded) return loaded.description;
    std::vector<std::size_t> count(doc.fonts().size());
    std::vector<std::size_t> order;
    const auto& runs = doc.runs();
    for (std::size_t r = 0; r < runs.size(); ++r) {
        const std::size_t end = r + 1 < runs.size() ? runs[r + 1].start : doc.length();
        std::size_t n = 0;
        for (std::size_t i = runs[r].start; i < end; ++i) n += doc.text()[i] >= 0x20;
        const std::size_t f = runs[r].format.font;
        if (n > 0 && count[f] == 0) order.push_back(f);
        count[f] += n;
    }
    std::vector<std::pair<std::string, std::size_t>> fonts;
    for (std::size_t f : order) fonts.emplace_back(doc.fonts()[f].name, count[f]);
    printFonts(label, fonts);
    return {};
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
    bool unicode = false, text = false, fonts = false;
    std::string font;
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
            std::cout << kProgram << " " << TOLVARIN_VERSION << "\n";
            return 0;
        } else if (arg == "-q" || arg == "--quiet") {
            quiet = true;
        } else if (arg == "--unicode") {
            unicode = true;
        } else if (arg == "--text") {
            text = true;
        } else if (arg == "--fonts") {
            fonts = true;
        } else if (arg == "--legacy-font") {
            if (i + 1 >= args.size()) return usageError("option --legacy-font needs an argument");
            const std::string& given = args[++i];
            const std::size_t eq = given.rfind('=');
            const LegacyFont* font = eq == std::string::npos ? nullptr : legacyFontOfEncoding(given.substr(eq + 1));
            if (eq == std::string::npos || eq == 0 || !font)
                return usageError("--legacy-font takes NAME=ENCODING, the encoding PANCHARI or ML-TT: " + given);
            addLegacyFontName(given.substr(0, eq), *font);
        } else if (arg == "-o" || arg == "-d" || arg == "--font") {
            if (i + 1 >= args.size()) return usageError("option " + arg + " needs an argument");
            (arg == "-o" ? output : arg == "-d" ? outputDir : font) = args[++i];
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
    if ((text || !font.empty()) && !unicode) return usageError("--text and --font go with --unicode");
    if (fonts && (unicode || !output.empty() || !outputDir.empty()))
        return usageError("--fonts converts nothing: it takes no --unicode, -o or -d");
    RewriteOptions options;
    options.unicode = unicode;
    options.unicodeFont = font.empty() ? std::string(kDefaultUnicodeFont) : font;

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
        std::string_view bytes = stdinInput ? std::string_view(piped) : in.bytes();
        DocumentKind kind = documentKind(bytes);
        if (kind == DocumentKind::Encrypted) {
            fail(std::string(kPasswordProtected));
            continue;
        }
        std::string fromWordBinary;  // the DOCX LibreOffice made of a .doc
        if (kind == DocumentKind::WordBinary) {
            if (std::string error = wordBinaryToDocx(bytes, fromWordBinary); !error.empty()) {
                fail(error);
                continue;
            }
            bytes = fromWordBinary;
            kind = DocumentKind::Package;
        }
        if (fonts) {
            if (std::string error = listFonts(bytes, label); !error.empty()) fail(error);
            continue;
        }

        fs::path outPath;
        std::string renamed;
        if (!toStdout) {
            if (!output.empty()) {
                outPath = fs::u8path(output);
            } else {
                std::u16string folder = outputDir.empty() ? FolderOf(inPath.u16string())
                                                          : fs::u8path(outputDir).make_preferred().u16string();
                if (folder.empty()) folder = u".";
                outPath = fs::path(DeriveOutputFilename(inPath.u16string(), folder));
                if (text) outPath.replace_extension(".txt");
                else if (!fromWordBinary.empty()) outPath.replace_extension(".docx");
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

        RewriteOutcome outcome;
        std::string warning;
        std::string result;  // for standard output: written only once it is whole
        try {
            if (kind == DocumentKind::Package) {
                outcome = text ? packageUnicodeText(bytes, result) : convertPackage(bytes, result, options, &warning);
                if (outcome.ok && !toStdout) {
                    outcome.error = writeFileReplacing(outPath, result);
                    outcome.ok = outcome.error.empty();
                }
            } else if (text) {
                outcome = unicodeText(bytes, result);
                if (outcome.ok && !toStdout) {
                    outcome.error = writeFileReplacing(outPath, result);
                    outcome.ok = outcome.error.empty();
                }
            } else {
                outcome = toStdout ? convertRtfToString(bytes, result, options)
                                   : convertRtfToFile(bytes, outPath, options);
            }
            if (outcome.ok && toStdout) {
                outcome.error = writeStandardOutput(result);
                outcome.ok = outcome.error.empty();
            }
        } catch (const std::bad_alloc&) {
            // The unfinished output was never given its name: nothing is left behind.
            outcome.ok = false;
            outcome.error = kNotEnoughMemory;
        }
        if (!outcome.ok) {
            fail(outcome.error);
            continue;
        }
        if (!toStdout) written.push_back(outPath);
        if (!warning.empty()) std::cerr << kProgram << ": " << label << ": " << warning << "\n";
        if (outcome.unknown > 0) std::cerr << kProgram << ": " << label << ": " << unknownCharactersNote(outcome.unknown) << "\n";
        if (!quiet) {
            // Standard output carries the document itself: the line goes to standard error then.
            std::ostream& report = toStdout ? std::cerr : std::cout;
            report << label << " -> " << (toStdout ? std::string("(standard output)") : displayPath(outPath)) << ": "
                   << summary(outcome, text) << renamed
                   << (fromWordBinary.empty() ? "" : " (a Word 97-2003 document, read through LibreOffice)") << "\n";
        }
    }
    return status;
}
