#include "textcodec.h"

#include <zstd.h>

#include <memory>

namespace results::textcodec {

namespace {

// No result file comes near this; a frame that claims more is damaged.
constexpr unsigned long long MaxBytes = 256ULL << 20;

struct FreeCompression
{
    void operator()(ZSTD_CCtx *c) const { ZSTD_freeCCtx(c); }
};
struct FreeDecompression
{
    void operator()(ZSTD_DCtx *d) const { ZSTD_freeDCtx(d); }
};

// One context per thread, kept: making one costs more than packing a file.
ZSTD_CCtx *compression()
{
    thread_local std::unique_ptr<ZSTD_CCtx, FreeCompression> context;
    if (!context) {
        context.reset(ZSTD_createCCtx());
        if (context) {
            ZSTD_CCtx_setParameter(context.get(), ZSTD_c_compressionLevel, Level);
            ZSTD_CCtx_setParameter(context.get(), ZSTD_c_checksumFlag, 1);
            ZSTD_CCtx_setParameter(context.get(), ZSTD_c_contentSizeFlag, 1);
        }
    }
    return context.get();
}

ZSTD_DCtx *decompression()
{
    thread_local std::unique_ptr<ZSTD_DCtx, FreeDecompression> context;
    if (!context)
        context.reset(ZSTD_createDCtx());
    return context.get();
}

bool failed(QString *error, const QString &why, QByteArray &bytes)
{
    bytes = QByteArray("");
    if (error)
        *error = why;
    return false;
}

} // namespace

QByteArray pack(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return QByteArray("");
    ZSTD_CCtx *context = compression();
    QByteArray stored(qsizetype(ZSTD_compressBound(std::size_t(bytes.size()))), Qt::Uninitialized);
    const std::size_t size =
        context ? ZSTD_compress2(context, stored.data(), std::size_t(stored.size()), bytes.constData(),
                                 std::size_t(bytes.size()))
                : 0;
    // Only memory can fail here.
    if (!context || ZSTD_isError(size))
        return QByteArray();
    stored.truncate(qsizetype(size));
    return stored;
}

bool unpack(const QByteArray &stored, QByteArray &bytes, QString *error)
{
    if (stored.isEmpty()) {
        bytes = QByteArray("");
        return true;
    }
    const char *data = stored.constData();
    const std::size_t size = std::size_t(stored.size());
    const std::size_t frame = ZSTD_findFrameCompressedSize(data, size);
    if (ZSTD_isError(frame) || frame != size)
        return failed(error, QStringLiteral("the stored text is damaged (not one whole frame)"), bytes);
    const unsigned dictionary = ZSTD_getDictID_fromFrame(data, size);
    if (dictionary != 0)
        return failed(error,
                      QStringLiteral("the stored text was packed with dictionary %1, which this station lacks")
                          .arg(dictionary),
                      bytes);
    const unsigned long long length = ZSTD_getFrameContentSize(data, size);
    if (length == ZSTD_CONTENTSIZE_ERROR || length == ZSTD_CONTENTSIZE_UNKNOWN || length > MaxBytes)
        return failed(error, QStringLiteral("the stored text is damaged (no length this code takes)"), bytes);
    ZSTD_DCtx *context = decompression();
    if (!context)
        return failed(error, QStringLiteral("out of memory"), bytes);
    bytes = QByteArray(qsizetype(length), Qt::Uninitialized);
    const std::size_t made = ZSTD_decompressDCtx(context, bytes.data(), std::size_t(length), data, size);
    if (ZSTD_isError(made))
        return failed(error, QStringLiteral("the stored text is damaged (%1)").arg(QLatin1String(ZSTD_getErrorName(made))),
                      bytes);
    if (made != length)
        return failed(error, QStringLiteral("the stored text is damaged (%1 bytes of %2)").arg(made).arg(length), bytes);
    if (bytes.isNull())
        bytes = QByteArray("");
    return true;
}

} // namespace results::textcodec
