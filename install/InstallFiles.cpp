// Writes the files an installation carries besides the program: the desktop entry, the MIME
// type of definition files (the same texts the window's file association writes, without its
// marker) and the program icon as PNG at the hicolor sizes.
// Usage: velmoran_install_files OUTPUT_DIRECTORY
#include "app/FileAssociation.h"
#include "platform/FileUtil.h"
#include "ui/ActionIcons.h"

#include <QApplication>
#include <QPixmap>

#include <cstdio>
#include <string>

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: velmoran_install_files OUTPUT_DIRECTORY\n");
        return 2;
    }
    QApplication application(argc, argv);
    const std::string out = argv[1];
    try {
        platform::ForceDirectories(out);
        platform::WriteFileAtomic(out + "/" + app::DesktopEntryName,
                                  app::DesktopEntryText("velmoran", false));
        platform::WriteFileAtomic(out + "/" + app::MimePackageName, app::MimePackageText(false));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "velmoran_install_files: %s\n", e.what());
        return 1;
    }
    for (int size : {16, 32, 48, 64, 128}) {
        const std::string path = out + "/velmoran-" + std::to_string(size) + ".png";
        if (!ui::ProgramIcon().pixmap(size, size).save(QString::fromStdString(path))) {
            std::fprintf(stderr, "velmoran_install_files: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
