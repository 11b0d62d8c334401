#pragma once

#include "core/document/editor_document.h"

#include <QObject>

namespace cantelo {

// The Qt side of the editor document: it publishes the document's changes as a signal, from
// which the windows redraw. User-interface thread only.
class DocumentSignals : public QObject {
    Q_OBJECT
public:
    explicit DocumentSignals(EditorDocument& doc, QObject* parent = nullptr);
    ~DocumentSignals() override;

signals:
    void changed(const cantelo::DocumentChange& change);

private:
    EditorDocument& m_doc;
    int m_id = 0;
};

} // namespace cantelo
