#include "ui/qt/file_filter.h"

#include <QStringList>

namespace zelvoro::ui::qt {

namespace {

QString name_filter(const QString& description, const QString& pattern) {
    const QString patterns = pattern.split(u';', Qt::SkipEmptyParts).join(u' ');
    const QString shown = QStringLiteral("(%1)").arg(patterns);
    if (description.trimmed().endsWith(shown)) {
        return description.trimmed();
    }
    if (description.trimmed().isEmpty()) {
        return shown;
    }
    return QStringLiteral("%1 %2").arg(description.trimmed(), shown);
}

} // namespace

QString name_filters(std::string_view filter) {
    const QStringList parts =
        QString::fromUtf8(filter.data(), static_cast<qsizetype>(filter.size())).split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (!parts[i + 1].trimmed().isEmpty()) {
            filters << name_filter(parts[i], parts[i + 1].trimmed());
        }
    }
    return filters.join(QStringLiteral(";;"));
}

} // namespace zelvoro::ui::qt
