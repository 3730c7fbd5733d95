#include "engine/packages/zip.h"

#include <algorithm>
#include <zlib.h>

namespace engine::packages
{

namespace
{

    constexpr quint32 kLocalSig = 0x04034b50;
    constexpr quint32 kCentralSig = 0x02014b50;
    constexpr quint32 kEndSig = 0x06054b50;
    constexpr quint32 kZip64EndSig = 0x06064b50;
    constexpr quint32 kZip64LocatorSig = 0x07064b50;
    constexpr quint32 kDescriptorSig = 0x08074b50;
    constexpr quint32 kFull32 = 0xFFFFFFFF;

    quint64 get(const QByteArray& b, qsizetype at, int width)
    {
        quint64 value = 0;
        for (int i = width - 1; i >= 0; --i)
            value = (value << 8) | uchar(b[at + i]);
        return value;
    }
    void put(QByteArray& b, qsizetype at, quint64 value, int width)
    {
        for (int i = 0; i < width; ++i, value >>= 8)
            b[at + i] = char(value & 0xFF);
    }
    bool fits(const QByteArray& b, quint64 at, quint64 size)
    {
        return at <= quint64(b.size()) && size <= quint64(b.size()) - at;
    }

    // The fields of a ZIP64 extra block (id 1) in the `length` bytes of extra fields at `at`: where
    // each of the values that stand as 0xFFFFFFFF in the header lies.
    struct Zip64Fields {
        qsizetype size = -1, compressed = -1, offset = -1;
    };
    std::optional<Zip64Fields> zip64Fields(
        const QByteArray& b, qsizetype at, qsizetype length, bool size, bool compressed, bool offset)
    {
        Zip64Fields f;
        for (qsizetype p = at; p + 4 <= at + length;) {
            const quint16 id = quint16(get(b, p, 2));
            const qsizetype n = qsizetype(get(b, p + 2, 2));
            if (p + 4 + n > at + length)
                return std::nullopt;
            if (id == 1) {
                qsizetype q = p + 4;
                auto take = [&](bool wanted, qsizetype& field) {
                    if (wanted && q + 8 <= p + 4 + n) {
                        field = q;
                        q += 8;
                    }
                };
                take(size, f.size);
                take(compressed, f.compressed);
                take(offset, f.offset);
                return f;
            }
            p += 4 + n;
        }
        return f;
    }

    QByteArray deflateRaw(const QByteArray& data)
    {
        z_stream z {};
        if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            return {};
        QByteArray out(qsizetype(deflateBound(&z, uLong(data.size()))), Qt::Uninitialized);
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
        z.avail_in = uInt(data.size());
        z.next_out = reinterpret_cast<Bytef*>(out.data());
        z.avail_out = uInt(out.size());
        const int status = deflate(&z, Z_FINISH);
        out.resize(status == Z_STREAM_END ? qsizetype(z.total_out) : 0);
        deflateEnd(&z);
        return out;
    }

} // namespace

bool ZipArchive::looksLikeZip(const QByteArray& head)
{
    return head.startsWith("PK\x03\x04") || head.startsWith("PK\x05\x06");
}

std::optional<ZipArchive> ZipArchive::open(QByteArray bytes, QString* why)
{
    auto damaged = [why](const char* reason) {
        if (why)
            *why = QString::fromLatin1(reason);
        return std::nullopt;
    };
    ZipArchive zip;
    zip.source = std::move(bytes);
    const QByteArray& b = zip.source;
    // The end record is the last one whose comment reaches the end of the file.
    qsizetype end = -1;
    for (qsizetype at = b.size() - 22; at >= 0 && at >= b.size() - 22 - 0xFFFF; --at) {
        if (get(b, at, 4) == kEndSig && at + 22 + qsizetype(get(b, at + 20, 2)) == b.size()) {
            end = at;
            break;
        }
    }
    if (end < 0)
        return damaged("no end of central directory");
    zip.endRecord = end;
    if (get(b, end + 4, 2) != 0 || get(b, end + 6, 2) != 0)
        return damaged("archive on several disks");
    quint64 count = get(b, end + 10, 2);
    quint64 centralSize = get(b, end + 12, 4);
    quint64 centralOffset = get(b, end + 16, 4);
    if (end >= 20 && get(b, end - 20, 4) == kZip64LocatorSig) {
        zip.zip64Locator = end - 20;
        const quint64 record = get(b, end - 20 + 8, 8);
        if (!fits(b, record, 56) || record + 56 > quint64(end - 20)
            || get(b, qsizetype(record), 4) != kZip64EndSig)
            return damaged("bad ZIP64 end record");
        zip.zip64End = qsizetype(record);
        count = get(b, zip.zip64End + 32, 8);
        centralSize = get(b, zip.zip64End + 40, 8);
        centralOffset = get(b, zip.zip64End + 48, 8);
    }
    const quint64 centralLimit = quint64(zip.zip64End >= 0 ? zip.zip64End : end);
    if (centralOffset > centralLimit || centralSize > centralLimit - centralOffset)
        return damaged("central directory outside the archive");
    zip.centralStart = qsizetype(centralOffset);
    zip.centralEnd = qsizetype(centralOffset + centralSize);

    qsizetype p = zip.centralStart;
    for (quint64 i = 0; i < count; ++i) {
        if (p + 46 > zip.centralEnd || get(b, p, 4) != kCentralSig)
            return damaged("bad central directory entry");
        Entry e;
        e.centralOffset = p;
        e.flags = quint16(get(b, p + 8, 2));
        e.method = quint16(get(b, p + 10, 2));
        e.crc = quint32(get(b, p + 16, 4));
        e.compressedSize = get(b, p + 20, 4);
        e.size = get(b, p + 24, 4);
        const qsizetype nameLength = qsizetype(get(b, p + 28, 2));
        const qsizetype extraLength = qsizetype(get(b, p + 30, 2));
        const qsizetype commentLength = qsizetype(get(b, p + 32, 2));
        if (get(b, p + 34, 2) != 0)
            return damaged("archive on several disks");
        e.localOffset = get(b, p + 42, 4);
        if (p + 46 + nameLength + extraLength + commentLength > zip.centralEnd)
            return damaged("bad central directory entry");
        e.name = QString::fromUtf8(b.constData() + p + 46, nameLength);
        const auto z64 = zip64Fields(b, p + 46 + nameLength, extraLength, e.size == kFull32,
            e.compressedSize == kFull32, e.localOffset == kFull32);
        if (!z64)
            return damaged("bad extra field");
        if (z64->size >= 0)
            e.size = get(b, z64->size, 8);
        if (z64->compressed >= 0)
            e.compressedSize = get(b, z64->compressed, 8);
        if (z64->offset >= 0)
            e.localOffset = get(b, z64->offset, 8);

        const quint64 local = e.localOffset;
        if (!fits(b, local, 30) || get(b, qsizetype(local), 4) != kLocalSig)
            return damaged("bad local header");
        const quint64 localName = get(b, qsizetype(local) + 26, 2);
        const quint64 localExtra = get(b, qsizetype(local) + 28, 2);
        e.dataOffset = local + 30 + localName + localExtra;
        if (!fits(b, e.dataOffset, e.compressedSize))
            return damaged("entry outside the archive");
        e.end = e.dataOffset + e.compressedSize;
        if (e.flags & 8) {
            const bool signature = fits(b, e.end, 4) && get(b, qsizetype(e.end), 4) == kDescriptorSig;
            const bool wide = get(b, qsizetype(local) + 18, 4) == kFull32 || e.compressedSize >= kFull32
                || e.size >= kFull32;
            e.end += (signature ? 4 : 0) + 4 + (wide ? 16 : 8);
        }
        if (e.end > quint64(zip.centralStart))
            return damaged("entry outside the archive");
        zip.list.push_back(std::move(e));
        p += 46 + nameLength + extraLength + commentLength;
    }
    if (p != zip.centralEnd)
        return damaged("bad central directory size");
    // Entries one after the other, never overlapping: each can be copied or replaced on its own.
    std::vector<const Entry*> byOffset;
    for (const Entry& e : zip.list)
        byOffset.push_back(&e);
    std::sort(byOffset.begin(), byOffset.end(), [](const Entry* a, const Entry* b) {
        return a->localOffset < b->localOffset;
    });
    for (std::size_t i = 1; i < byOffset.size(); ++i) {
        if (byOffset[i]->localOffset < byOffset[i - 1]->end)
            return damaged("overlapping entries");
    }
    return zip;
}

int ZipArchive::find(const QString& name) const
{
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i].name == name)
            return int(i);
    }
    return -1;
}

std::optional<QByteArray> ZipArchive::read(int index, Problem* problem, qint64 limit) const
{
    auto fail = [problem](Problem p) {
        if (problem)
            *problem = p;
        return std::nullopt;
    };
    const Entry& e = list.at(std::size_t(index));
    if (e.encrypted())
        return fail(Problem::Encrypted);
    // Deflate packs at most 1032 bytes into one: a larger size is not what the data holds.
    if (e.size > quint64(limit) || (e.method == 8 && e.size > e.compressedSize * 1032 + 64))
        return fail(Problem::Damaged);
    QByteArray out;
    const char* data = source.constData() + e.dataOffset;
    if (e.method == 0) {
        if (e.size != e.compressedSize)
            return fail(Problem::Damaged);
        out = QByteArray(data, qsizetype(e.size));
    } else if (e.method == 8) {
        out.resize(qsizetype(e.size));
        z_stream z {};
        if (inflateInit2(&z, -MAX_WBITS) != Z_OK)
            return fail(Problem::Damaged);
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
        z.avail_in = uInt(e.compressedSize);
        z.next_out = reinterpret_cast<Bytef*>(out.data());
        z.avail_out = uInt(out.size());
        // One byte of room more would be taken by a stream longer than it says.
        char spare = 0;
        int status = inflate(&z, Z_FINISH);
        if (status == Z_BUF_ERROR && z.avail_out == 0) {
            z.next_out = reinterpret_cast<Bytef*>(&spare);
            z.avail_out = 1;
            status = inflate(&z, Z_FINISH);
        }
        const bool whole = status == Z_STREAM_END && z.total_out == e.size;
        inflateEnd(&z);
        if (!whole)
            return fail(Problem::Damaged);
    } else {
        return fail(Problem::Damaged);
    }
    if (crc32(0, reinterpret_cast<const Bytef*>(out.constData()), uInt(out.size())) != e.crc)
        return fail(Problem::Damaged);
    if (problem)
        *problem = Problem::None;
    return out;
}

QByteArray ZipArchive::rewritten(
    const std::map<int, QByteArray>& replaced, std::vector<ChangedSpan>* changes) const
{
    if (replaced.empty())
        return source;
    std::vector<int> order(list.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = int(i);
    std::sort(order.begin(), order.end(), [this](int a, int b) {
        return list[std::size_t(a)].localOffset < list[std::size_t(b)].localOffset;
    });

    struct NewValues {
        quint32 crc;
        quint64 compressed, size;
    };
    std::map<int, NewValues> values;
    std::vector<std::pair<quint64, qint64>> shifts; // (old offset, shift of what starts there or later)
    QByteArray out;
    out.reserve(source.size() + 4096);
    qsizetype copied = 0;
    qint64 shift = 0;
    qsizetype firstChange = -1;
    for (const int index : order) {
        const Entry& e = list[std::size_t(index)];
        const auto it = replaced.find(index);
        if (it == replaced.end())
            continue;
        const QByteArray& content = it->second;
        const QByteArray packed = e.method == 8 ? deflateRaw(content) : content;
        const NewValues v {
            quint32(crc32(0, reinterpret_cast<const Bytef*>(content.constData()), uInt(content.size()))),
            quint64(packed.size()), quint64(content.size())
        };
        values[index] = v;
        if (firstChange < 0)
            firstChange = qsizetype(e.localOffset);
        out.append(source.constData() + copied, qsizetype(e.localOffset) - copied);

        QByteArray header = source.mid(qsizetype(e.localOffset), qsizetype(e.dataOffset - e.localOffset));
        const qsizetype nameLength = qsizetype(get(header, 26, 2));
        const qsizetype extraLength = qsizetype(get(header, 28, 2));
        const bool wideSizes = get(header, 18, 4) == kFull32 || get(header, 22, 4) == kFull32;
        const auto z64 = zip64Fields(header, 30 + nameLength, extraLength, wideSizes, wideSizes, false);
        if (!(e.flags & 8)) {
            put(header, 14, v.crc, 4);
            if (wideSizes && z64 && z64->size >= 0 && z64->compressed >= 0) {
                put(header, z64->size, v.size, 8);
                put(header, z64->compressed, v.compressed, 8);
            } else {
                put(header, 18, v.compressed, 4);
                put(header, 22, v.size, 4);
            }
        }
        out.append(header);
        out.append(packed);
        if (e.flags & 8) {
            // The data descriptor in the form the entry had: with or without signature, 4 or 8 bytes.
            const qsizetype oldDescriptor = qsizetype(e.dataOffset + e.compressedSize);
            const bool signature = get(source, oldDescriptor, 4) == kDescriptorSig;
            const qsizetype width = (qsizetype(e.end) - oldDescriptor - (signature ? 4 : 0) - 4) / 2;
            QByteArray descriptor(qsizetype(e.end) - oldDescriptor, '\0');
            qsizetype at = 0;
            if (signature) {
                put(descriptor, 0, kDescriptorSig, 4);
                at = 4;
            }
            put(descriptor, at, v.crc, 4);
            put(descriptor, at + 4, v.compressed, int(width));
            put(descriptor, at + 4 + width, v.size, int(width));
            out.append(descriptor);
        }
        copied = qsizetype(e.end);
        shift = qint64(out.size()) - qint64(copied);
        shifts.emplace_back(e.end, shift);
    }
    out.append(source.constData() + copied, source.size() - copied);

    auto moved = [&shifts](quint64 offset) {
        qint64 by = 0;
        for (const auto& [from, s] : shifts) {
            if (offset >= from)
                by = s;
        }
        return quint64(qint64(offset) + by);
    };
    const qint64 total = shift;
    auto at = [&](qsizetype oldOffset) {
        return qsizetype(moved(quint64(oldOffset)));
    };
    for (std::size_t i = 0; i < list.size(); ++i) {
        const Entry& e = list[i];
        const qsizetype c = at(e.centralOffset);
        const qsizetype nameLength = qsizetype(get(out, c + 28, 2));
        const qsizetype extraLength = qsizetype(get(out, c + 30, 2));
        const bool wideSize = get(out, c + 24, 4) == kFull32;
        const bool wideCompressed = get(out, c + 20, 4) == kFull32;
        const bool wideOffset = get(out, c + 42, 4) == kFull32;
        const auto z64 =
            zip64Fields(out, c + 46 + nameLength, extraLength, wideSize, wideCompressed, wideOffset);
        const quint64 newOffset = moved(e.localOffset);
        if (wideOffset && z64 && z64->offset >= 0)
            put(out, z64->offset, newOffset, 8);
        else
            put(out, c + 42, newOffset, 4);
        const auto v = values.find(int(i));
        if (v == values.end())
            continue;
        put(out, c + 16, v->second.crc, 4);
        if (wideCompressed && z64 && z64->compressed >= 0)
            put(out, z64->compressed, v->second.compressed, 8);
        else
            put(out, c + 20, v->second.compressed, 4);
        if (wideSize && z64 && z64->size >= 0)
            put(out, z64->size, v->second.size, 8);
        else
            put(out, c + 24, v->second.size, 4);
    }
    const quint64 newCentral = quint64(qint64(centralStart) + total);
    if (zip64End >= 0) {
        put(out, at(zip64End) + 48, newCentral, 8);
        put(out, at(zip64Locator) + 8, quint64(at(zip64End)), 8);
    }
    const qsizetype end = at(endRecord);
    if (get(out, end + 16, 4) != kFull32)
        put(out, end + 16, newCentral, 4);
    if (changes && firstChange >= 0)
        changes->push_back({ firstChange, out.size() - firstChange, source.mid(firstChange) });
    return out;
}

} // namespace engine::packages
