#include "app/manual/ManualPdf.h"

#include <QFile>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextDocument>
#include <QUrl>

namespace manual {
namespace {

QString ReadText(const std::filesystem::path& path, std::string* error) {
    QFile file(QString::fromStdString(path.string()));
    if (!file.open(QIODevice::ReadOnly)) {
        *error = path.string() + ": " + file.errorString().toStdString();
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

// Every picture the source names is loaded up front, so that a missing one
// fails the build instead of leaving a hole in the manual.
bool AddPictures(QTextDocument& document, const QString& html,
                 const std::filesystem::path& pictures, std::string* error) {
    static const QRegularExpression image(QStringLiteral("<img\\s+src=\"([^\"]+)\""));
    for (auto it = image.globalMatch(html); it.hasNext();) {
        const QString name = it.next().captured(1);
        const auto path = pictures / name.toStdString();
        QImage picture(QString::fromStdString(path.string()));
        if (picture.isNull()) {
            *error = path.string() + ": picture missing or unreadable";
            return false;
        }
        document.addResource(QTextDocument::ImageResource, QUrl(name), picture);
    }
    return true;
}

}  // namespace

bool WriteManualPdf(const std::filesystem::path& html, const std::filesystem::path& pictures,
                    const std::filesystem::path& pdf, std::string* error) {
    const QString source = ReadText(html, error);
    if (source.isEmpty()) {
        if (error->empty()) *error = html.string() + ": empty";
        return false;
    }
    QTextDocument document;
    if (!AddPictures(document, source, pictures, error)) return false;
    document.setHtml(source);

    QPdfWriter writer(QString::fromStdString(pdf.string()));
    writer.setTitle(QStringLiteral("产品升级说明书"));
    writer.setCreator(QStringLiteral("Ostrel"));
    writer.setResolution(300);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(18, 18, 18, 18), QPageLayout::Millimeter));
    document.print(&writer);
    if (!QFile::exists(QString::fromStdString(pdf.string()))) {
        *error = pdf.string() + ": not written";
        return false;
    }
    return true;
}

}  // namespace manual
