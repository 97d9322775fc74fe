// The parameter page's room: the catalogue of operations (params/parameter_page.h)
// over the window's transport and names list, and the mapping between the
// page's widgets and the catalogue's values.
#pragma once

#include "app/tform1.h"
#include "params/page_values.h"
#include "params/parameter_page.h"

namespace korval {

struct TForm1::ParamsRoom {
  explicit ParamsRoom(TForm1& form);

  params::ParameterPage page;

  // The page as the widgets show it now. A handler takes it once at its start:
  // nothing between the steps of an operation changes a widget but `Show`.
  params::PageValues ReadValues() const;
  // Writes the named groups to their widgets, in the order the operations have
  // always written them; the address box's own change handling runs.
  void Show(const params::PageValues& values, params::PageField changed);

  // Batch addressing: one fixture's start address, from the address box.
  void SetStartAddress(Uid uid, int offset);

 private:
  TForm1& form;
};

}  // namespace korval
