#include "gui/app/document_signals_qt.h"

namespace cantelo {

DocumentSignals::DocumentSignals(EditorDocument& doc, QObject* parent)
    : QObject(parent), m_doc(doc),
      m_id(doc.subscribe([this](const DocumentChange& change) { emit changed(change); })) {}

DocumentSignals::~DocumentSignals() {
    m_doc.unsubscribe(m_id);
}

} // namespace cantelo
