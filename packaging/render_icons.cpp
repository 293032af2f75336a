// zelvoro-render-icons FOLDER SIZE...: writes the window icon, drawn at each SIZE, as
// FOLDER/SIZExSIZE/apps/zelvoro.png (the layout of the hicolor icon theme). Exit 1 on failure.
#include "ui/qt/window_icon.h"

#include <QDir>
#include <QString>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fputs("usage: zelvoro-render-icons FOLDER SIZE...\n", stderr);
        return 1;
    }
    for (int i = 2; i < argc; ++i) {
        bool number = false;
        const int size = QString(argv[i]).toInt(&number);
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(argv[1]).arg(size);
        if (!number || size < 1 || !QDir().mkpath(folder) ||
            !zelvoro::ui::qt::draw_window_icon(size).save(folder + "/zelvoro.png", "PNG")) {
            std::fprintf(stderr, "zelvoro-render-icons: cannot write the %s pixel icon\n", argv[i]);
            return 1;
        }
    }
    return 0;
}
