#pragma once

#include <QMetaType>

namespace fernholm {

// The two views of a request's detail table: the prompt as written and as received, or the
// table of hidden values.
enum class DetailView { prompt, entities };

} // namespace fernholm

Q_DECLARE_METATYPE(fernholm::DetailView)
