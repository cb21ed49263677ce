#include "kit/graphics/ImageSource_p.h"

#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

namespace kit::imagesource {

namespace {

struct Input {
    const png_byte* bytes;
    std::size_t size;
    std::size_t at = 0;
};

void readInput(png_structp png, png_bytep out, png_size_t length)
{
    auto* input = static_cast<Input*>(png_get_io_ptr(png));
    if (length > input->size - input->at)
        png_error(png, "truncated");
    std::memcpy(out, input->bytes + input->at, length);
    input->at += length;
}

// Errors end the read (back at setjmp); warnings are of no use to a thumbnail.
[[noreturn]] void fail(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void ignore(png_structp, png_const_charp) { }

// Averages rows of straight RGBA into a premultiplied picture: each source pixel falls into one
// target pixel, which takes the mean of all that fall into it.
class BoxReducer {
public:
    BoxReducer(int sourceWidth, int sourceHeight, QSize size)
        : sourceHeight_(sourceHeight)
        , image_(size, QImage::Format_ARGB32_Premultiplied)
        , column_(std::size_t(sourceWidth))
        , columnCount_(std::size_t(size.width()), 0)
        , sums_(std::size_t(size.width()) * 4, 0)
    {
        for (int x = 0; x < sourceWidth; ++x) {
            column_[std::size_t(x)] = int(std::int64_t(x) * size.width() / sourceWidth);
            ++columnCount_[std::size_t(column_[std::size_t(x)])];
        }
    }

    bool valid() const { return !image_.isNull(); }

    void addRow(int y, const png_byte* rgba)
    {
        const int target = int(std::int64_t(y) * image_.height() / sourceHeight_);
        if (target != row_)
            flush();
        row_ = target;
        ++rows_;
        for (std::size_t x = 0; x < column_.size(); ++x, rgba += 4) {
            const unsigned a = rgba[3];
            std::uint64_t* sum = &sums_[std::size_t(column_[x]) * 4];
            sum[0] += (rgba[0] * a + 127) / 255;
            sum[1] += (rgba[1] * a + 127) / 255;
            sum[2] += (rgba[2] * a + 127) / 255;
            sum[3] += a;
        }
    }

    QImage finish()
    {
        flush();
        return image_;
    }

private:
    void flush()
    {
        if (row_ < 0 || rows_ == 0)
            return;
        auto* out = reinterpret_cast<QRgb*>(image_.scanLine(row_));
        for (std::size_t x = 0; x < columnCount_.size(); ++x) {
            std::uint64_t* sum = &sums_[x * 4];
            const std::uint64_t n = std::uint64_t(columnCount_[x]) * std::uint64_t(rows_);
            const auto mean = [n](std::uint64_t s) { return int((s + n / 2) / n); };
            out[x] = qRgba(mean(sum[0]), mean(sum[1]), mean(sum[2]), mean(sum[3]));
            sum[0] = sum[1] = sum[2] = sum[3] = 0;
        }
        rows_ = 0;
    }

    int sourceHeight_;
    QImage image_;
    std::vector<int> column_; // source column to target column
    std::vector<int> columnCount_; // source columns in each target column
    std::vector<std::uint64_t> sums_;
    int row_ = -1;
    int rows_ = 0;
};

// The picture's rows into the reducer; libpng leaves it by longjmp on an error.
[[gnu::noinline]] bool decodeRows(png_structp png, png_infop info, std::optional<BoxReducer>& reducer, std::vector<png_byte>& row, QSize size)
{
    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    int depth = 0, colour = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colour, &interlace, nullptr, nullptr);
    if (interlace != PNG_INTERLACE_NONE || width == 0 || height == 0 || width > 0x7fffffff || height > 0x7fffffff
        || std::int64_t(size.width()) > std::int64_t(width) || std::int64_t(size.height()) > std::int64_t(height))
        return false;
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_filler(png, 0xff, PNG_FILLER_AFTER);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != std::size_t(width) * 4)
        return false;
    reducer.emplace(int(width), int(height), size);
    if (!reducer->valid())
        return false;
    row.resize(std::size_t(width) * 4);
    for (png_uint_32 y = 0; y < height; ++y) {
        png_read_row(png, row.data(), nullptr);
        reducer->addRow(int(y), row.data());
    }
    png_read_end(png, nullptr);
    return true;
}

// The jump point alone in its frame: nothing here is live across the jump.
bool readRows(png_structp png, png_infop info, std::optional<BoxReducer>& reducer, std::vector<png_byte>& row, QSize size)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    return decodeRows(png, info, reducer, row, size);
}

} // namespace

QImage readPNGReduced(const QByteArray& data, QSize size)
{
    if (size.isEmpty() || data.size() < 8 || png_sig_cmp(reinterpret_cast<png_const_bytep>(data.constData()), 0, 8) != 0)
        return {};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, fail, ignore);
    if (!png)
        return {};
    png_infop info = png_create_info_struct(png);
    Input input { reinterpret_cast<const png_byte*>(data.constData()), std::size_t(data.size()) };
    png_set_read_fn(png, &input, readInput);
    // Outside the frame libpng jumps back to.
    std::optional<BoxReducer> reducer;
    std::vector<png_byte> row;
    const bool read = info && readRows(png, info, reducer, row, size);
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    return read ? reducer->finish() : QImage();
}

} // namespace kit::imagesource
