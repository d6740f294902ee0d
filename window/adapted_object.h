// An object on the bus whose interfaces are its QDBusAbstractAdaptor children,
// answered here rather than by QtDBus's own dispatch, so that the standard
// org.freedesktop.DBus.Properties interface keeps the D-Bus rules: QtDBus
// converts a value of another type ("false", int32 0) to the property's type
// and accepts it, where the rules want InvalidArgs.
//
// - Methods: the adaptors' public slots and invokables, found by interface
//   (any adaptor's when the call names none; Properties must be named), name
//   and argument signature. A trailing
//   QDBusMessage parameter receives the call; non-const reference parameters
//   are outputs, after the return value. A slot that marks the call's reply
//   delayed answers it itself. Errors: UnknownInterface, UnknownMethod,
//   InvalidArgs (a known name with other arguments).
// - Properties: Get, Set, GetAll over the adaptors' Q_PROPERTYs. A value whose
//   D-Bus type is not exactly the property's gives InvalidArgs; unknown names
//   UnknownInterface or UnknownProperty; a property without WRITE
//   PropertyReadOnly. The owner of a property sends PropertiesChanged whenever
//   its value changes, however (propertiesChanged() below): the introspection
//   carries no EmitsChangedSignal annotation, so D-Bus's default applies.
// - Introspection: made from the adaptors' meta-objects (or their "D-Bus
//   Introspection" class info); QtDBus adds the standard interfaces.
// - Signals are not relayed: send them as messages.
#pragma once

#include <QDBusVirtualObject>
#include <QList>
#include <QString>
#include <QVariantMap>

class QDBusAbstractAdaptor;

namespace console {

class AdaptedObject : public QDBusVirtualObject {
 public:
  using QDBusVirtualObject::QDBusVirtualObject;

  QString introspect(const QString& path) const override;
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

 private:
  // The adaptors of `interface`; all of them for "".
  QList<QDBusAbstractAdaptor*> adaptors(const QString& interface) const;
  QDBusMessage call(const QDBusMessage& message) const;
  QDBusMessage properties(const QDBusMessage& message) const;
};

// Sends org.freedesktop.DBus.Properties.PropertiesChanged for `interface` of
// the object at `path` with the new `values`. Safe from any thread.
void propertiesChanged(const QDBusConnection& connection, const QString& path,
                       const QString& interface, const QVariantMap& values);

}  // namespace console
