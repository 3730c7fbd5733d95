#include "richtext/rtfsource.h"

namespace richtext
{

struct RtfSource::Data {
    QByteArray source;
    QString text;
};

RtfSource::RtfSource(std::shared_ptr<const Data> data)
    : d(std::move(data))
{
}

bool RtfSource::isRtf(QByteArrayView head)
{
    return head.startsWith("{\\rtf");
}

std::optional<RtfSource> RtfSource::parse(QByteArray bytes, QString* why)
{
    if (!isRtf(bytes)) {
        if (why)
            *why = QStringLiteral("not an RTF document");
        return std::nullopt;
    }
    auto data = std::make_shared<Data>();
    data->source = std::move(bytes);
    return RtfSource(std::move(data));
}

const QString& RtfSource::text() const
{
    return d->text;
}

bool RtfSource::crossesBarrier(qsizetype, qsizetype) const
{
    return false;
}

bool RtfSource::write(const EditList& edits, QIODevice& out, QString* why) const
{
    if (!edits.empty()) {
        if (why)
            *why = QStringLiteral("cannot edit this RTF document");
        return false;
    }
    if (out.write(d->source) != d->source.size()) {
        if (why)
            *why = out.errorString();
        return false;
    }
    return true;
}

std::vector<FormatRun> RtfSource::formatRuns() const
{
    return {};
}
std::vector<ParagraphRun> RtfSource::paragraphRuns() const
{
    return {};
}
std::vector<Picture> RtfSource::pictures() const
{
    return {};
}

} // namespace richtext
