// The program's eight windows, created together in the order the program starts them.
#pragma once

#include <memory>

#include "UnitBLPAboutForm.hpp"
#include "UnitBLPAlphaChannelForm.hpp"
#include "UnitBLPCommentForm.hpp"
#include "UnitBLPConvertForm.hpp"
#include "UnitBLPOptimizeForm.hpp"
#include "UnitBLPOptionsForm.hpp"
#include "UnitBLPSettingsForm.hpp"
#include "UnitOndrelForm.hpp"

namespace ondrel {

struct OndrelWindows {
  // The main window owns the other seven: they are its child windows and go with it.
  std::unique_ptr<TOndrelForm> ondrelForm;
  TBLPOptionsForm* optionsForm = nullptr;
  TBLPConvertForm* convertForm = nullptr;
  TBLPAboutForm* aboutForm = nullptr;
  TBLPAlphaChanForm* alphaChanForm = nullptr;
  TBLPSettingsForm* settingsForm = nullptr;
  TBLPCommentForm* commentForm = nullptr;
  TBLPOptimizeForm* optimizeForm = nullptr;
};

// Main window first: the others are created as its children. None is shown yet.
OndrelWindows CreateWindows();

}  // namespace ondrel
