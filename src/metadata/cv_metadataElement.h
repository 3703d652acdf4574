#pragma once
// A named metadata entry: a single value, a one-row array or a table of values, all
// of one type. Constructing an element with a shape checks the shape.
#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "metadata/cv_metadataValue.h"

namespace Corvane {

enum Dimensionality : std::int32_t { SingleValue = 1, ArrayValue = 2, TableValue = 3 };

// Width and height of an element, with its own persistent form.
struct MetadataSize {
    std::int32_t width = 0;
    std::int32_t height = 0;

    void write(std::ostream& out, std::int32_t order) const;
    void read(std::istream& in, std::int32_t order);
    bool operator==(const MetadataSize&) const = default;
};

class MetadataElementReader {
  public:
    virtual void read(std::istream& in, std::int32_t order) = 0;

  protected:
    ~MetadataElementReader() = default;
};

class MetadataElement : public MetadataElementReader {
  public:
    using Row = std::vector<MetadataValue>;

    MetadataElement() = default;
    explicit MetadataElement(const char* key);
    MetadataElement(const std::string& key, std::int32_t width);
    MetadataElement(const char* key, std::int32_t width, std::int32_t height);
    MetadataElement(const char* key, std::int32_t dimensionality, std::int32_t width,
                    std::int32_t height);
    MetadataElement(const MetadataElement&) = default;
    MetadataElement& operator=(const MetadataElement&) = default;

    virtual void write(std::ostream& out, std::int32_t order) const;
    virtual ~MetadataElement() = default;
    void read(std::istream& in, std::int32_t order) override;

    const std::string& key() const { return key_; }
    std::int32_t dimensionality() const { return dimensionality_; }
    const MetadataSize& size() const { return size_; }
    // The type of the first value of the first row; unset when there is none.
    std::int32_t valueType() const;
    Row& row(std::size_t index) { return rows_.at(index); }
    const Row& row(std::size_t index) const { return rows_.at(index); }
    std::size_t rowCount() const { return rows_.size(); }
    bool isNull() const { return key_.empty(); }

    bool operator==(const MetadataElement& other) const;

  private:
    void shape(std::int32_t dimensionality, std::int32_t width, std::int32_t height);

    std::vector<Row> rows_;
    std::string key_;
    std::int32_t dimensionality_ = SingleValue;
    MetadataSize size_;
};

}  // namespace Corvane
