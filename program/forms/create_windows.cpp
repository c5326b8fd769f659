#include "create_windows.hpp"

// The icons are compiled into this static library; nothing else would pull them in.
static void InitFormResources() { Q_INIT_RESOURCE(forms); }

namespace ondrel {

OndrelWindows CreateWindows() {
  InitFormResources();
  OndrelWindows w;
  w.ondrelForm = std::make_unique<TOndrelForm>();
  QWidget* owner = w.ondrelForm.get();
  w.optionsForm = new TBLPOptionsForm(owner);
  w.convertForm = new TBLPConvertForm(owner);
  w.aboutForm = new TBLPAboutForm(owner);
  w.alphaChanForm = new TBLPAlphaChanForm(owner);
  w.settingsForm = new TBLPSettingsForm(owner);
  w.commentForm = new TBLPCommentForm(owner);
  w.optimizeForm = new TBLPOptimizeForm(owner);
  return w;
}

}  // namespace ondrel
