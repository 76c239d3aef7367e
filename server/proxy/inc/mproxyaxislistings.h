// MProxyAxisListings: the axes each submachine listed, kept so that the merged axis table can be
// rebuilt when one submachine's axes change. After a merge a listed description that the table
// holds unchanged (under whichever proxy name) is kept as a pointer to that table entry, and
// only the others as entries of their own: the table is the one full copy of most axes.
// expand() turns the listings back into whole maps, which a re-read or the next merge works on.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "mmachaxisrecords.h"
#include "mproxyentries.h"

class MProxyAxisListings {
 public:
  using Listing = std::map<std::string, MMachAxisInfo>;  // own name -> description

  // `count` empty listings.
  void reset(size_t count);
  // Empties every listing, keeping their number.
  void clear() { reset(expanded_ ? whole_.size() : kept_.size()); }
  // Every listing whole, by submachine index; the table entries kept since compact() must still
  // be as they were. Stays valid until compact() or reset().
  std::vector<Listing>& expand();
  // Called by a merge of the expanded listings for each element of listing `index`, in listing
  // order, with the table entry it stored the element in.
  void stored(size_t index, const MProxyAxisEntry& entry) { kept_[index].push_back(&entry); }
  // After the merge of the whole listings into the table: keeps a pointer to each element's
  // stored entry where that entry still holds it unchanged, a copy otherwise, and frees the maps.
  void compact(const std::vector<MMachAbstract*>& submachines);

 private:
  // An entry of the table, or of `copies_`, with the description in `info` and the own name in
  // `submachine_name`.
  using Kept = const MProxyAxisEntry*;

  std::vector<Listing> whole_;                           // while expanded
  std::vector<std::vector<Kept>> kept_;                  // in own-name order; while expanded: stored()
  std::vector<std::unique_ptr<MProxyAxisEntry>> copies_;  // what the table does not hold unchanged
  bool expanded_ = true;
};
