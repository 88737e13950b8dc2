// Prepares a manual page for groff: after every CJK character (U+3000 and above) a zero-width
// break point "\:", since Japanese text has no blanks at which a line could end.
// Usage: velmoran_man_page INPUT OUTPUT
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: velmoran_man_page INPUT OUTPUT\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "velmoran_man_page: cannot read %s\n", argv[1]);
        return 1;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        out.append(text, i, length);
        // Three- and four-byte sequences from E3 on are U+3000 and above.
        const bool cjk = length >= 3 && lead >= 0xE3;
        i += length;
        // Not inside a comment, and not before the end of a line.
        const std::size_t lineStart =
            out.rfind('\n') == std::string::npos ? 0 : out.rfind('\n') + 1;
        const bool comment = out.compare(lineStart, 3, ".\\\"") == 0;
        if (cjk && !comment && i < text.size() && text[i] != '\n')
            out += "\\:";
    }
    std::ofstream file(argv[2], std::ios::binary);
    file << out;
    if (!file) {
        std::fprintf(stderr, "velmoran_man_page: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
