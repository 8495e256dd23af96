#include "pipeline/file_tags.h"

#include <QFile>
#include <QRegularExpression>

#include <taglib/attachedpictureframe.h>
#include <taglib/chapterframe.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/mp4atom.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/tableofcontentsframe.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tfilestream.h>
#include <taglib/tpropertymap.h>
#include <taglib/wavfile.h>
#include <taglib/xingheader.h>
#include <taglib/xiphcomment.h>

namespace tovel {

namespace {

enum class Kind { other, mpeg, flac, mp4, wav };

// What the file's first bytes say it is. An MP3 counts only when its first frame follows its ID3 tag
// at once: anything between is for ffmpeg to make sense of.
Kind sniff(const QString &path, qint64 *audioStart)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Kind::other;
    const QByteArray head = file.read(12);
    if (head.size() < 12)
        return Kind::other;
    if (head.startsWith("fLaC"))
        return Kind::flac;
    if (head.startsWith("RIFF") && head.mid(8, 4) == "WAVE")
        return Kind::wav;
    if (head.mid(4, 4) == "ftyp")
        return Kind::mp4;
    qint64 start = 0;
    if (head.startsWith("ID3")) {
        const auto byte = [&head](int at) { return qint64(quint8(head.at(at)) & 0x7f); };
        start = 10 + (byte(6) << 21 | byte(7) << 14 | byte(8) << 7 | byte(9)) + ((quint8(head.at(5)) & 0x10) ? 10 : 0);
    }
    if (!file.seek(start))
        return Kind::other;
    const QByteArray sync = file.read(2);
    if (sync.size() < 2 || quint8(sync.at(0)) != 0xff || (quint8(sync.at(1)) & 0xe0) != 0xe0)
        return Kind::other;
    *audioStart = start;
    return Kind::mpeg;
}

// ffmpeg's name for a cover picture's codec; empty for one it may read otherwise.
QString pictureCodec(const TagLib::String &mimeType)
{
    const QString mime = QString::fromStdString(mimeType.to8Bit(true)).toLower();
    if (mime == QLatin1String("image/jpeg") || mime == QLatin1String("image/jpg"))
        return QStringLiteral("mjpeg");
    if (mime == QLatin1String("image/png"))
        return QStringLiteral("png");
    return {};
}

// The names of the tags that hold something, lower-case ("title", "artist").
QStringList heldTags(const TagLib::PropertyMap &properties)
{
    QStringList names;
    for (const auto &[key, values] : properties) {
        for (const TagLib::String &value : values)
            if (!QString::fromStdString(value.to8Bit(true)).trimmed().isEmpty()) {
                names << QString::fromStdString(key.to8Bit(true)).toLower();
                break;
            }
    }
    return names;
}

// Gives the pictures stream numbers after the single audio stream, as ffmpeg does; false when one of
// them is of a kind ffmpeg names otherwise.
bool addPictures(MediaProbe &probe, const QList<TagLib::String> &mimeTypes)
{
    for (const TagLib::String &mime : mimeTypes) {
        const QString codec = pictureCodec(mime);
        if (codec.isEmpty())
            return false;
        probe.pictures << int(probe.pictures.size() + 1);
        probe.pictureCodecs << codec;
    }
    return true;
}

MediaProbe named(const QString &container, const QString &audioCodec)
{
    MediaProbe probe;
    probe.container = container;
    probe.audioCodec = audioCodec;
    return probe;
}

std::optional<double> seconds(const TagLib::AudioProperties *properties)
{
    if (!properties || properties->lengthInMilliseconds() <= 0)
        return std::nullopt;
    return properties->lengthInMilliseconds() / 1000.0;
}

QString qText(const TagLib::String &value)
{
    return QString::fromStdString(value.to8Bit(true));
}

// The chapters of an ID3v2 tag: its CHAP frames, titled by the TIT2 frame in each.
Chapters id3Chapters(const TagLib::ID3v2::Tag *tag)
{
    Chapters chapters;
    for (const TagLib::ID3v2::Frame *frame : tag->frameList("CHAP")) {
        const auto *chapter = dynamic_cast<const TagLib::ID3v2::ChapterFrame *>(frame);
        if (!chapter)
            continue;
        const TagLib::ID3v2::FrameList titles = chapter->embeddedFrameList("TIT2");
        chapters.append({chapter->startTime(), titles.isEmpty() ? QString() : qText(titles.front()->toString())});
    }
    return tidyChapters(std::move(chapters));
}

// The chapters of a Vorbis comment: CHAPTERnn holds a start ("00:01:02.500"), CHAPTERnnNAME its title.
Chapters vorbisChapters(const TagLib::Ogg::XiphComment *comment)
{
    static const QRegularExpression start(QStringLiteral("^CHAPTER(\\d+)$"));
    const TagLib::Ogg::FieldListMap &fields = comment->fieldListMap();
    Chapters chapters;
    for (const auto &[key, values] : fields) {
        const QRegularExpressionMatch match = start.match(qText(key).toUpper());
        const auto at = match.hasMatch() && !values.isEmpty() ? parseChapterTime(qText(values.front())) : std::nullopt;
        if (!at)
            continue;
        const auto name = fields.find(key + "NAME");
        chapters.append(
            {*at, name != fields.end() && !name->second.isEmpty() ? qText(name->second.front()) : QString()});
    }
    return tidyChapters(std::move(chapters));
}

std::optional<MediaProbe> readMpeg(TagLib::IOStream *stream, qint64 audioStart)
{
    TagLib::MPEG::File file(stream, TagLib::ID3v2::FrameFactory::instance(), true);
    const TagLib::MPEG::Properties *properties = file.audioProperties();
    if (!file.isValid() || !properties || properties->layer() != 3 || file.firstFrameOffset() != audioStart)
        return std::nullopt;
    MediaProbe probe = named(QStringLiteral("mp3"), QStringLiteral("mp3"));
    QList<TagLib::String> pictures;
    if (file.hasID3v2Tag()) {
        for (const TagLib::ID3v2::Frame *frame : file.ID3v2Tag()->frameList("APIC"))
            if (const auto *picture = dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame *>(frame))
                pictures << picture->mimeType();
        probe.chapters = id3Chapters(file.ID3v2Tag());
    }
    if (!addPictures(probe, pictures))
        return std::nullopt;
    probe.tags = heldTags(file.properties());
    probe.duration = seconds(properties);
    // Without a Xing or VBRI header the length is a guess from the first frame's bitrate, as ffmpeg's is.
    probe.durationEstimated = !properties->xingHeader();
    probe.mono = properties->channels() == 1;
    return probe;
}

std::optional<MediaProbe> readFlac(TagLib::IOStream *stream)
{
    TagLib::FLAC::File file(stream, TagLib::ID3v2::FrameFactory::instance(), true);
    if (!file.isValid() || !file.audioProperties())
        return std::nullopt;
    MediaProbe probe = named(QStringLiteral("flac"), QStringLiteral("flac"));
    QList<TagLib::String> pictures;
    for (const TagLib::FLAC::Picture *picture : file.pictureList())
        pictures << picture->mimeType();
    if (!addPictures(probe, pictures))
        return std::nullopt;
    probe.tags = heldTags(file.properties());
    probe.duration = seconds(file.audioProperties());
    probe.mono = file.audioProperties()->channels() == 1;
    if (file.hasXiphComment())
        probe.chapters = vorbisChapters(file.xiphComment());
    return probe;
}

// An MP4 whose only track is sound: where there is more, ffmpeg numbers the streams.
std::optional<MediaProbe> readMp4(TagLib::IOStream *stream)
{
    TagLib::MP4::File file(stream, true);
    const TagLib::MP4::Properties *properties = file.audioProperties();
    if (!file.isValid() || !properties || !seconds(properties))
        return std::nullopt;
    TagLib::MP4::Atoms atoms(&file);
    TagLib::MP4::Atom *movie = atoms.find("moov");
    const TagLib::MP4::AtomList tracks = movie ? movie->findall("trak") : TagLib::MP4::AtomList();
    // Chapters (a Nero chapter list; a chapter track is a second track) are told by ffmpeg.
    if (tracks.size() != 1 || movie->find("udta", "chpl"))
        return std::nullopt;
    const TagLib::MP4::Atom *handler = tracks.front()->find("mdia", "hdlr");
    if (!handler)
        return std::nullopt;
    file.seek(handler->offset + 16);
    if (file.readBlock(4) != TagLib::ByteVector("soun"))
        return std::nullopt;
    MediaProbe probe = named(QStringLiteral("mov,mp4,m4a,3gp,3g2,mj2"), QString());
    switch (properties->codec()) {
    case TagLib::MP4::Properties::AAC: probe.audioCodec = QStringLiteral("aac"); break;
    case TagLib::MP4::Properties::ALAC: probe.audioCodec = QStringLiteral("alac"); break;
    default: return std::nullopt;
    }
    TagLib::MP4::Tag *tag = file.tag();
    if (tag && tag->contains("covr")) {
        for (const TagLib::MP4::CoverArt &cover : tag->item("covr").toCoverArtList()) {
            if (cover.format() == TagLib::MP4::CoverArt::JPEG)
                probe.pictureCodecs << QStringLiteral("mjpeg");
            else if (cover.format() == TagLib::MP4::CoverArt::PNG)
                probe.pictureCodecs << QStringLiteral("png");
            else
                return std::nullopt;
            probe.pictures << int(probe.pictures.size() + 1);
        }
    }
    probe.tags = heldTags(file.properties());
    probe.duration = seconds(properties);
    probe.mono = properties->channels() == 1;
    return probe;
}

// A 16-bit PCM WAV whose header says how long it is, with its tags in its own chunks (an ID3 chunk
// may hold pictures, which ffmpeg numbers as it meets them).
std::optional<MediaProbe> readWav(TagLib::IOStream *stream, const QString &path)
{
    TagLib::RIFF::WAV::File file(stream, true);
    const TagLib::RIFF::WAV::Properties *properties = file.audioProperties();
    if (!file.isValid() || !properties || properties->format() != 1 || properties->bitsPerSample() != 16
        || file.hasID3v2Tag())
        return std::nullopt;
    const std::optional<double> length = declaredLength(std::nullopt, path);
    const std::optional<QStringList> tags = headerTags(path);
    if (!length || !tags)
        return std::nullopt;
    MediaProbe probe = named(QStringLiteral("wav"), QStringLiteral("pcm_s16le"));
    probe.tags = *tags;
    probe.duration = length;
    probe.mono = properties->channels() == 1;
    return probe;
}

TagLib::String text(const QString &value)
{
    return TagLib::String(value.toStdString(), TagLib::String::UTF8);
}

// Adds the tags the map lacks; the ones it has stay as they are.
TagLib::PropertyMap withTags(TagLib::PropertyMap properties, const QList<QPair<QString, QString>> &tags)
{
    for (const auto &[key, value] : tags) {
        const TagLib::String name = text(key.toUpper());
        if (!properties.contains(name))
            properties.insert(name, TagLib::StringList(text(value)));
    }
    return properties;
}

TagLib::ByteVector bytes(const QByteArray &data)
{
    return TagLib::ByteVector(data.constData(), static_cast<unsigned int>(data.size()));
}

} // namespace

std::optional<MediaProbe> readMediaFile(const QString &path)
{
    qint64 audioStart = 0;
    const Kind kind = sniff(path, &audioStart);
    if (kind == Kind::other)
        return std::nullopt;
    // Read-only: asking what a file holds never changes it.
    TagLib::FileStream stream(QFile::encodeName(path).constData(), true);
    if (!stream.isOpen())
        return std::nullopt;
    std::optional<MediaProbe> probe;
    switch (kind) {
    case Kind::mpeg: probe = readMpeg(&stream, audioStart); break;
    case Kind::flac: probe = readFlac(&stream); break;
    case Kind::mp4: probe = readMp4(&stream); break;
    case Kind::wav: probe = readWav(&stream, path); break;
    case Kind::other: break;
    }
    if (probe) {
        probe->tags.removeDuplicates();
        probe->writableInPlace = true;
    }
    return probe;
}

bool keepsFile(AudioFormat format, AudioQuality quality, const std::optional<MediaProbe> &probe)
{
    if (!probe || !probe->writableInPlace || !probe->videoCodec.isEmpty() || !copiesStreams(format, quality, probe))
        return false;
    switch (format) {
    case AudioFormat::mp3: return probe->container == QLatin1String("mp3");
    case AudioFormat::flac: return probe->container == QLatin1String("flac");
    case AudioFormat::wav: return probe->container == QLatin1String("wav");
    case AudioFormat::m4a: return probe->container.contains(QLatin1String("mp4"));
    case AudioFormat::mp4: return false;
    }
    return false;
}

namespace {

// Puts `chapters` in the place of the tag's own: a CHAP frame each, titled by a TIT2 frame in it, and a
// CTOC frame that lists them in order. (ID3v2.3 holds no UTF-8.)
void setId3Chapters(TagLib::ID3v2::Tag *tag, const Chapters &chapters, std::optional<qint64> length, bool older)
{
    tag->removeFrames("CHAP");
    tag->removeFrames("CTOC");
    TagLib::ByteVectorList children;
    for (qsizetype i = 0; i < chapters.size(); ++i) {
        const qint64 start = chapters.at(i).start;
        const qint64 end
            = i + 1 < chapters.size() ? chapters.at(i + 1).start : std::max(start + 1, length.value_or(start + 1000));
        const TagLib::ByteVector id(QByteArray("chp" + QByteArray::number(i)).constData());
        TagLib::ID3v2::FrameList embedded;
        if (!chapters.at(i).title.isEmpty()) {
            auto *title = new TagLib::ID3v2::TextIdentificationFrame(
                "TIT2", older ? TagLib::String::UTF16 : TagLib::String::UTF8);
            title->setText(text(chapters.at(i).title));
            embedded.append(title);
        }
        tag->addFrame(
            new TagLib::ID3v2::ChapterFrame(id, quint32(start), quint32(end), 0xFFFFFFFFu, 0xFFFFFFFFu, embedded));
        children.append(id);
    }
    auto *contents = new TagLib::ID3v2::TableOfContentsFrame("toc", children);
    contents->setIsTopLevel(true);
    contents->setIsOrdered(true);
    tag->addFrame(contents);
}

// Puts `chapters` in the place of the comment's own, as CHAPTER001 and CHAPTER001NAME, and so on.
void setVorbisChapters(TagLib::Ogg::XiphComment *comment, const Chapters &chapters)
{
    static const QRegularExpression chapterKey(QStringLiteral("^CHAPTER\\d+(NAME|URL)?$"));
    TagLib::StringList old;
    for (const auto &[key, values] : comment->fieldListMap())
        if (chapterKey.match(qText(key).toUpper()).hasMatch())
            old.append(key);
    for (const TagLib::String &key : old)
        comment->removeFields(key);
    for (qsizetype i = 0; i < chapters.size(); ++i) {
        const qint64 ms = chapters.at(i).start;
        const QString key = QStringLiteral("CHAPTER%1").arg(i + 1, 3, 10, QLatin1Char('0'));
        comment->addField(text(key),
                          text(QStringLiteral("%1:%2:%3.%4")
                                   .arg(ms / 3'600'000, 2, 10, QLatin1Char('0'))
                                   .arg(ms / 60'000 % 60, 2, 10, QLatin1Char('0'))
                                   .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
                                   .arg(ms % 1000, 3, 10, QLatin1Char('0'))));
        if (!chapters.at(i).title.isEmpty())
            comment->addField(text(key + QStringLiteral("NAME")), text(chapters.at(i).title));
    }
}

// Adds `tags` and the picture to the file TagLib reads from `stream`, puts in the chapters given, and saves
// it there.
bool editTags(TagLib::IOStream *stream, Kind kind, const QList<QPair<QString, QString>> &tags,
              const QByteArray &picture, const Chapters &chapters, std::optional<qint64> length)
{
    const bool png = picture.startsWith("\x89PNG");
    const TagLib::String mime = png ? "image/png" : "image/jpeg";
    switch (kind) {
    case Kind::mpeg: {
        TagLib::MPEG::File file(stream, TagLib::ID3v2::FrameFactory::instance(), false);
        if (!file.isValid() || file.readOnly())
            return false;
        // An ID3v2.3 tag stays one; the ID3v1 and APE tags are left alone.
        const bool older = file.hasID3v2Tag() && file.ID3v2Tag()->header()->majorVersion() == 3;
        TagLib::ID3v2::Tag *tag = file.ID3v2Tag(true);
        tag->setProperties(withTags(tag->properties(), tags));
        if (!picture.isEmpty()) {
            auto *frame = new TagLib::ID3v2::AttachedPictureFrame;
            frame->setMimeType(mime);
            frame->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
            frame->setPicture(bytes(picture));
            tag->addFrame(frame);
        }
        if (!chapters.isEmpty())
            setId3Chapters(tag, chapters, length, older);
        return file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone,
                         older ? TagLib::ID3v2::v3 : TagLib::ID3v2::v4, TagLib::File::DoNotDuplicate);
    }
    case Kind::flac: {
        TagLib::FLAC::File file(stream, TagLib::ID3v2::FrameFactory::instance(), false);
        if (!file.isValid() || file.readOnly())
            return false;
        TagLib::Ogg::XiphComment *comment = file.xiphComment(true);
        comment->setProperties(withTags(comment->properties(), tags));
        if (!picture.isEmpty()) {
            auto *front = new TagLib::FLAC::Picture;
            front->setMimeType(mime);
            front->setType(TagLib::FLAC::Picture::FrontCover);
            front->setData(bytes(picture));
            file.addPicture(front);
        }
        if (!chapters.isEmpty())
            setVorbisChapters(comment, chapters);
        return file.save();
    }
    case Kind::mp4: {
        TagLib::MP4::File file(stream, false);
        if (!file.isValid() || file.readOnly() || !file.tag() || !chapters.isEmpty())
            return false;
        TagLib::MP4::Tag *tag = file.tag();
        tag->setProperties(withTags(tag->properties(), tags));
        if (!picture.isEmpty()) {
            TagLib::MP4::CoverArtList covers;
            covers.append(
                TagLib::MP4::CoverArt(png ? TagLib::MP4::CoverArt::PNG : TagLib::MP4::CoverArt::JPEG, bytes(picture)));
            tag->setItem("covr", covers);
        }
        return file.save();
    }
    case Kind::wav: {
        // In the LIST INFO chunk, where ffmpeg writes a WAV's tags and reads them back.
        static const QHash<QString, TagLib::ByteVector> fields{{QStringLiteral("title"), "INAM"},
                                                               {QStringLiteral("artist"), "IART"},
                                                               {QStringLiteral("album"), "IPRD"},
                                                               {QStringLiteral("date"), "ICRD"},
                                                               {QStringLiteral("comment"), "ICMT"}};
        TagLib::RIFF::WAV::File file(stream, false);
        if (!file.isValid() || file.readOnly() || !chapters.isEmpty())
            return false;
        TagLib::RIFF::Info::Tag *info = file.InfoTag();
        for (const auto &[key, value] : tags)
            if (fields.contains(key) && info->fieldText(fields.value(key)).isEmpty())
                info->setFieldText(fields.value(key), text(value));
        return file.save(TagLib::RIFF::WAV::File::Info, TagLib::File::StripNone);
    }
    case Kind::other: break;
    }
    return false;
}

} // namespace

bool writeFileTags(const QString &path, const QList<QPair<QString, QString>> &tags, const QString &cover,
                   const Chapters &chapters, std::optional<qint64> length)
{
    QByteArray picture;
    if (!cover.isEmpty()) {
        QFile file(cover);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        picture = file.readAll();
    }
    qint64 audioStart = 0;
    const Kind kind = sniff(path, &audioStart);
    if (kind == Kind::other)
        return false;
    // TagLib moves what follows a tag that grows a kilobyte at a time, tens of thousands of calls for an
    // episode: a file of usual size is edited in memory and written back at once instead.
    QFile file(path);
    if (file.size() > maxEditedInMemory) {
        TagLib::FileStream stream(QFile::encodeName(path).constData());
        return editTags(&stream, kind, tags, picture, chapters, length);
    }
    if (!file.open(QIODevice::ReadWrite))
        return false;
    TagLib::ByteVector data(static_cast<unsigned int>(file.size()), '\0');
    if (file.read(data.data(), file.size()) != file.size())
        return false;
    TagLib::ByteVectorStream stream(data);
    data.clear();
    if (!editTags(&stream, kind, tags, picture, chapters, length))
        return false;
    const TagLib::ByteVector &edited = *stream.data();
    return file.seek(0) && file.write(edited.data(), edited.size()) == qint64(edited.size())
        && file.resize(edited.size()) && file.flush();
}

} // namespace tovel
