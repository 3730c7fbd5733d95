#include "engine/packages/packagesource.h"

#include "engine/packages/readers.h"

#include <algorithm>

namespace engine
{

using namespace packages;

struct PackageSource::Data {
    VisibleText v;
    std::optional<ZipArchive> zip; // none for a flat document
    QByteArray flat;
    bool isSigned = false;
};

namespace
{

    const QByteArray kCompoundFile("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    constexpr QByteArrayView kOdfOffice = "urn:oasis:names:tc:opendocument:xmlns:office:1.0";
    constexpr QByteArrayView kOdfText = "application/vnd.oasis.opendocument.text";
    constexpr QByteArrayView kContentTypes = "http://schemas.openxmlformats.org/package/2006/content-types";

    QByteArray utf16(const char* ascii)
    {
        QByteArray out;
        for (const char* c = ascii; *c; ++c)
            out.append(*c).append('\0');
        return out;
    }

    // [Content_Types].xml: the content type of each part, by name or by extension.
    class ContentTypes : public XmlHandler
    {
    public:
        std::vector<std::pair<QString, QString>> overrides; // (part name without "/", type)
        std::vector<std::pair<QString, QString>> defaults; // (extension, type)

        void start(const XmlName& n, const char** attributes, qsizetype, qsizetype) override
        {
            if (n.uri != kContentTypes)
                return;
            const QString type = QString::fromUtf8(xmlAttribute(attributes, "ContentType"));
            if (n.local == "Override") {
                QString name = QString::fromUtf8(xmlAttribute(attributes, "PartName"));
                if (name.startsWith(u'/'))
                    name.remove(0, 1);
                overrides.emplace_back(name, type);
            } else if (n.local == "Default") {
                defaults.emplace_back(QString::fromUtf8(xmlAttribute(attributes, "Extension")), type);
            }
        }
        void end(const XmlName&, qsizetype, qsizetype) override { }
        void text(QByteArrayView, qsizetype, qsizetype, bool) override { }

        QString typeOf(const QString& name) const
        {
            for (const auto& [part, type] : overrides) {
                if (part.compare(name, Qt::CaseInsensitive) == 0)
                    return type;
            }
            const QString extension = name.section(u'.', -1);
            for (const auto& [ext, type] : defaults) {
                if (ext.compare(extension, Qt::CaseInsensitive) == 0)
                    return type;
            }
            return {};
        }
    };

    // The rank of a WordprocessingML part in the visible text, or -1 for a part without text of its own.
    int wordPartRank(const QString& type)
    {
        if (type.endsWith(QLatin1String(".main+xml"))
            && (type.contains(QLatin1String("wordprocessingml")) || type.contains(QLatin1String("ms-word"))))
            return 0;
        if (!type.contains(QLatin1String("wordprocessingml")))
            return -1;
        if (type.endsWith(QLatin1String(".footnotes+xml")) || type.endsWith(QLatin1String(".endnotes+xml")))
            return 1;
        if (type.endsWith(QLatin1String(".header+xml")) || type.endsWith(QLatin1String(".footer+xml")))
            return 2;
        return -1;
    }

    PackageSource::Problem problemOf(XmlScan scan)
    {
        return scan == XmlScan::NotUtf8 ? PackageSource::Problem::NotUtf8 : PackageSource::Problem::Damaged;
    }

} // namespace

PackageSource::PackageSource(std::shared_ptr<const Data> data)
    : d(std::move(data))
{
}

bool PackageSource::mayBe(QByteArrayView head)
{
    const QByteArray bytes = head.toByteArray();
    return ZipArchive::looksLikeZip(bytes) || bytes.startsWith(kCompoundFile)
        || (head.indexOf(kOdfOffice) >= 0 && head.indexOf(kOdfText) >= 0);
}

std::optional<PackageSource> PackageSource::open(QByteArray bytes, Problem* problem, QString* why)
{
    auto refuse = [&](Problem p, const QString& reason = {}) {
        *problem = p;
        if (why)
            *why = reason;
        return std::nullopt;
    };
    auto data = std::make_shared<Data>();
    VisibleText& v = data->v;
    TextBuilder builder(v);
    QString reason;

    if (bytes.startsWith(kCompoundFile)) {
        // Word's own encryption wraps a package in a compound file; Word 97-2003 keeps its text in one.
        if (bytes.contains(utf16("EncryptedPackage")))
            return refuse(Problem::Encrypted);
        return refuse(bytes.contains(utf16("WordDocument")) ? Problem::OldWord : Problem::NotAPackage);
    }

    if (!ZipArchive::looksLikeZip(bytes)) {
        const QByteArrayView head = QByteArrayView(bytes).first(std::min<qsizetype>(bytes.size(), 1 << 16));
        if (head.indexOf(kOdfOffice) < 0 || head.indexOf(kOdfText) < 0)
            return refuse(Problem::NotAPackage);
        v.dialect = Dialect::Odf;
        v.parts.push_back(Part { {}, -1, bytes, {} });
        const XmlScan scan = readOdf(builder, v.parts.back(), &reason);
        if (scan != XmlScan::Read)
            return refuse(problemOf(scan), reason);
        data->flat = std::move(bytes);
        builder.finish();
        return PackageSource(std::move(data));
    }

    // A ZIP archive that cannot be read is a damaged document when its entries' names say it was one.
    const bool namesDocument =
        bytes.contains("[Content_Types].xml") || bytes.contains("word/document") || bytes.contains(kOdfText);
    auto zip = ZipArchive::open(std::move(bytes), &reason);
    if (!zip)
        return refuse(namesDocument ? Problem::Damaged : Problem::NotAPackage, reason);
    auto entry = [&](int index, QByteArray* out) {
        ZipArchive::Problem p = ZipArchive::Problem::None;
        auto content = zip->read(index, &p);
        if (!content)
            return p == ZipArchive::Problem::Encrypted ? Problem::Encrypted : Problem::Damaged;
        *out = std::move(*content);
        return Problem::None;
    };
    // Which parts hold text, in the order they are shown.
    std::vector<std::pair<int, int>> textParts; // (entry, rank)
    const int mimetype = zip->find(QStringLiteral("mimetype"));
    const int types = zip->find(QStringLiteral("[Content_Types].xml"));
    QByteArray content;
    if (mimetype == 0) {
        if (const Problem p = entry(mimetype, &content); p != Problem::None)
            return refuse(p);
        if (content != kOdfText && content != QByteArray(kOdfText.toByteArray() + "-template"))
            return refuse(Problem::NotAPackage);
        v.dialect = Dialect::Odf;
        const int manifest = zip->find(QStringLiteral("META-INF/manifest.xml"));
        if (manifest >= 0) {
            if (const Problem p = entry(manifest, &content); p != Problem::None)
                return refuse(p);
            if (content.contains("encryption-data"))
                return refuse(Problem::Encrypted);
        }
        data->isSigned = zip->find(QStringLiteral("META-INF/documentsignatures.xml")) >= 0;
        for (const char* name : { "content.xml", "styles.xml" }) {
            const int index = zip->find(QString::fromLatin1(name));
            if (index >= 0)
                textParts.emplace_back(index, 0);
        }
    } else if (types >= 0) {
        if (const Problem p = entry(types, &content); p != Problem::None)
            return refuse(p);
        ContentTypes typeList;
        if (scanXml(content, typeList, &reason) != XmlScan::Read)
            return refuse(Problem::Damaged, reason);
        for (int i = 0; i < int(zip->entries().size()); ++i) {
            const QString& name = zip->entries()[std::size_t(i)].name;
            if (name.startsWith(QLatin1String("_xmlsignatures/")))
                data->isSigned = true;
            if (const int rank = wordPartRank(typeList.typeOf(name)); rank >= 0)
                textParts.emplace_back(i, rank);
        }
        if (std::none_of(textParts.begin(), textParts.end(), [](const auto& p) {
                return p.second == 0;
            }))
            return refuse(Problem::NotAPackage);
        std::stable_sort(textParts.begin(), textParts.end(), [&](const auto& a, const auto& b) {
            if (a.second != b.second)
                return a.second < b.second;
            return zip->entries()[std::size_t(a.first)].name < zip->entries()[std::size_t(b.first)].name;
        });
    } else {
        return refuse(Problem::NotAPackage);
    }

    for (const auto& [index, rank] : textParts) {
        v.parts.push_back(Part { zip->entries()[std::size_t(index)].name, index, {}, {} });
        if (const Problem p = entry(index, &v.parts.back().bytes); p != Problem::None)
            return refuse(p);
        builder.part = int(v.parts.size()) - 1;
        const XmlScan scan = v.dialect == Dialect::Odf ? readOdf(builder, v.parts.back(), &reason)
                                                       : readWordML(builder, v.parts.back(), rank, &reason);
        if (scan != XmlScan::Read)
            return refuse(problemOf(scan), v.parts.back().name + QStringLiteral(": ") + reason);
    }
    builder.finish();
    data->zip = std::move(zip);
    *problem = Problem::None;
    return PackageSource(std::move(data));
}

const QString& PackageSource::text() const
{
    return d->v.text;
}

bool PackageSource::crossesBarrier(qsizetype start, qsizetype length) const
{
    return d->v.crossesBarrier(start, length);
}

bool PackageSource::isSigned() const
{
    return d->isSigned;
}

PackageSource::Rewrite PackageSource::rewrite(const EditList& edits) const
{
    Rewrite r;
    WriteProblem problem = WriteProblem::None;
    std::map<int, std::vector<ChangedSpan>> partChanges;
    const std::map<int, QByteArray> parts =
        editedParts(d->v, edits, &problem, &r.why, d->zip ? nullptr : &partChanges);
    if (problem != WriteProblem::None) {
        r.outcome = problem == WriteProblem::ForbiddenCharacter ? WriteOutcome::ForbiddenCharacter
                                                                : WriteOutcome::InvalidEdits;
        return r;
    }
    if (!parts.empty() && d->isSigned) {
        r.outcome = WriteOutcome::Signed;
        return r;
    }
    if (!d->zip) {
        r.bytes = parts.empty() ? d->flat : parts.begin()->second;
        if (!parts.empty())
            r.changes = std::move(partChanges.begin()->second);
        return r;
    }
    std::map<int, QByteArray> entries;
    for (const auto& [part, bytes] : parts)
        entries.emplace(d->v.parts[std::size_t(part)].entry, bytes);
    r.bytes = d->zip->rewritten(entries, &r.changes);
    return r;
}

PackageSource::WriteOutcome PackageSource::write(const EditList& edits, QIODevice& out, QString* why) const
{
    const Rewrite r = rewrite(edits);
    if (why)
        *why = r.why;
    if (r.outcome != WriteOutcome::Written)
        return r.outcome;
    if (out.write(r.bytes) != r.bytes.size()) {
        if (why)
            *why = out.errorString();
        return WriteOutcome::DeviceFailed;
    }
    return WriteOutcome::Written;
}

} // namespace engine
