#pragma once
// The metadata of an image: elements ordered by key, several allowed per key, kept
// in the order they were added. Lookups of absent keys answer the null element.
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "metadata/cv_metadataElement.h"

namespace Corvane {

class MetadataDatabaseImpl;

class MetadataDatabase {
  public:
    using Collection = std::multimap<std::string, MetadataElement>;
    using const_iterator = Collection::const_iterator;

    MetadataDatabase();
    MetadataDatabase(const MetadataDatabase& other);
    MetadataDatabase& operator=(const MetadataDatabase& other);
    virtual ~MetadataDatabase();

    void add(const MetadataElement& element);
    const MetadataElement& get(const char* key) const;
    const MetadataElement& get(const char* key, std::size_t n) const;
    bool contains(const char* key) const;
    const_iterator find(const char* key) const;
    const_iterator begin() const;
    const_iterator end() const;
    std::size_t size() const;
    bool isEmpty() const;
    std::vector<std::string> keys() const;
    void clear();
    // True when the file holds metadata that could not be read (a block cut short):
    // what the database holds is then less than the file meant to give.
    virtual bool isIncomplete() const { return false; }

    bool operator==(const MetadataDatabase& other) const;
    bool operator<(const MetadataDatabase& other) const;

    // Text output; the forms without a stream write to standard output.
    void dump() const;
    void dump(std::ostream& out) const;
    void printKeys() const;
    void printKeys(std::ostream& out) const;
    void printSummary(const char* key) const;
    void printSummary(std::ostream& out, const char* key) const;

  private:
    std::unique_ptr<MetadataDatabaseImpl> impl_;
};

}  // namespace Corvane
