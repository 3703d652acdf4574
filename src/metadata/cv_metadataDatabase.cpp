#include "metadata/cv_metadataDatabase.h"

#include <algorithm>
#include <iostream>
#include <iterator>

#include "metadata/cv_metadataDatabaseImpl.h"

namespace Corvane {

namespace {

bool isNumericType(std::int32_t type) {
    return (type >= MetadataUInt8 && type <= MetadataUInt32) ||
           (type >= MetadataFloat && type <= MetadataInt32);
}

void printValue(std::ostream& out, const MetadataValue& value) {
    switch (value.type()) {
        case MetadataUInt8:
            out << static_cast<unsigned>(value.asUInt8());
            break;
        case MetadataUInt16:
            out << value.asUInt16();
            break;
        case MetadataUInt32:
            out << value.asUInt32();
            break;
        case MetadataFloat:
            out << static_cast<float>(value.toDouble());
            break;
        case MetadataDouble:
            out << value.asDouble();
            break;
        case MetadataInt8:
            out << static_cast<char>(value.asInt8());
            break;
        case MetadataInt16:
            out << value.asInt16();
            break;
        case MetadataInt32:
            out << value.asInt32();
            break;
        default:
            break;
    }
}

void dumpElement(std::ostream& out, const MetadataElement& element) {
    const std::int32_t width = element.size().width;
    out << "Key: " << element.key() << "\n\t--- " << width << " Value(s): ";
    const std::int32_t type = element.valueType();
    if (isNumericType(type)) {
        const MetadataElement::Row& first = element.row(0);
        const std::int32_t shown =
            std::min<std::int32_t>(width, static_cast<std::int32_t>(first.size()));
        for (std::int32_t i = 0; i < shown; ++i) {
            if (i % 10 == 0)
                out << "\n\t Values( " << i << " to " << std::min(i + 9, width - 1) << " ):  ";
            printValue(out, first[static_cast<std::size_t>(i)]);
            out << ' ';
        }
        out << "\n\t--- Type: " << metadataTypeName(type) << '\n';
    } else if (type == MetadataText) {
        out << element.row(0).front().asString()
            << "\n\t--- Type: " << metadataTypeName(MetadataText) << '\n';
    }
    out << '\n';
}

}  // namespace

MetadataDatabase::MetadataDatabase() : impl_(std::make_unique<MetadataDatabaseImpl>()) {}

MetadataDatabase::MetadataDatabase(const MetadataDatabase& other)
    : impl_(std::make_unique<MetadataDatabaseImpl>(*other.impl_)) {}

MetadataDatabase& MetadataDatabase::operator=(const MetadataDatabase& other) {
    if (this != &other) impl_ = std::make_unique<MetadataDatabaseImpl>(*other.impl_);
    return *this;
}

MetadataDatabase::~MetadataDatabase() = default;

void MetadataDatabase::add(const MetadataElement& element) {
    // A multimap inserts equal keys after the ones already there.
    impl_->elements.emplace(element.key(), element);
}

const MetadataElement& MetadataDatabase::get(const char* key) const {
    return get(key, 0);
}

const MetadataElement& MetadataDatabase::get(const char* key, std::size_t n) const {
    auto it = find(key);
    if (it == end()) return impl_->nullElement;
    // Stay inside the collection: walking past its end answers the null element.
    const auto remaining = static_cast<std::size_t>(std::distance(it, end()));
    if (n >= remaining) return impl_->nullElement;
    std::advance(it, static_cast<std::ptrdiff_t>(n));
    return it->second;
}

bool MetadataDatabase::contains(const char* key) const {
    return &get(key) != &impl_->nullElement;
}

MetadataDatabase::const_iterator MetadataDatabase::find(const char* key) const {
    return impl_->elements.find(key ? key : "");
}

MetadataDatabase::const_iterator MetadataDatabase::begin() const {
    return impl_->elements.begin();
}
MetadataDatabase::const_iterator MetadataDatabase::end() const {
    return impl_->elements.end();
}
std::size_t MetadataDatabase::size() const {
    return impl_->elements.size();
}
bool MetadataDatabase::isEmpty() const {
    return impl_->elements.empty();
}
void MetadataDatabase::clear() {
    impl_->elements.clear();
}

std::vector<std::string> MetadataDatabase::keys() const {
    std::vector<std::string> result;
    for (const auto& [key, element] : impl_->elements)
        if (result.empty() || result.back() != key) result.push_back(key);
    return result;
}

bool MetadataDatabase::operator==(const MetadataDatabase& other) const {
    return size() == other.size() &&
           std::equal(begin(), end(), other.begin(),
                      [](const auto& a, const auto& b) { return a.second == b.second; });
}

bool MetadataDatabase::operator<(const MetadataDatabase& other) const {
    return std::lexicographical_compare(
        begin(), end(), other.begin(), other.end(),
        [](const auto& a, const auto& b) { return a.first < b.first; });
}

void MetadataDatabase::dump() const {
    dump(std::cout);
}

void MetadataDatabase::dump(std::ostream& out) const {
    for (const auto& entry : impl_->elements) dumpElement(out, entry.second);
}

void MetadataDatabase::printKeys() const {
    printKeys(std::cout);
}

void MetadataDatabase::printKeys(std::ostream& out) const {
    for (const std::string& key : keys()) out << key << '\n';
}

void MetadataDatabase::printSummary(const char* key) const {
    printSummary(std::cout, key);
}

void MetadataDatabase::printSummary(std::ostream& out, const char* key) const {
    const MetadataElement element = get(key);
    const char* name = metadataTypeName(element.valueType());
    out << "Key: " << (key ? key : "");
    switch (element.dimensionality()) {
        case SingleValue:
            out << " --- Value Type: " << name;
            break;
        case ArrayValue:
            out << " --- Value Type: " << name << " [" << element.size().width << "]";
            break;
        case TableValue:
            out << " --- Value Type: " << name << " [" << element.size().width << "]["
                << element.size().height << "]";
            break;
        default:
            out << " --- No Properties Available";
            break;
    }
    out << '\n';
}

}  // namespace Corvane
