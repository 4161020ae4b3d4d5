#!/usr/bin/python3
# A GTK 3 program of the real-drag tests, in Debian's own Python with its GTK bindings.
#   gtk-peer.py source image/png FILE   a window "GtkDragSource" whose drag offers FILE's bytes as image/png
#   gtk-peer.py source text/uri-list FILE   ... whose drag offers FILE's URL as text/uri-list
#   gtk-peer.py target FOLDER TYPE...   a window "GtkDropTarget" that accepts a drop as a copy and asks for
#       each TYPE the drag offers, in turn; it writes "offered" (the drag's types, one a line) and "actions"
#       (the actions offered, as GDK numbers them) into FOLDER, for the N-th answer N.type and N.data, then
#       "done" once every answer came.
import os
import sys

import gi

gi.require_version("Gtk", "3.0")
gi.require_version("Gdk", "3.0")
from gi.repository import Gdk, GLib, Gtk  # noqa: E402


def area(title):
    window = Gtk.Window(title=title)
    window.set_default_size(300, 300)
    window.move(0, 0)
    window.connect("destroy", Gtk.main_quit)
    box = Gtk.EventBox()
    box.add(Gtk.Label(label=title))
    window.add(box)
    return window, box


def source(kind, path):
    window, box = area("GtkDragSource")
    box.drag_source_set(Gdk.ModifierType.BUTTON1_MASK, [Gtk.TargetEntry.new(kind, 0, 0)], Gdk.DragAction.COPY)

    def get(_widget, _context, data, _info, _time):
        if kind == "text/uri-list":
            data.set_uris([GLib.filename_to_uri(os.path.abspath(path))])
        else:
            with open(path, "rb") as file:
                data.set(Gdk.Atom.intern(kind, False), 8, file.read())
        print("sent", kind, flush=True)

    box.connect("drag-data-get", get)
    window.show_all()


def target(folder, wanted):
    window, box = area("GtkDropTarget")
    box.drag_dest_set(0, [], Gdk.DragAction.COPY)
    state = {"asked": [], "answers": 0}

    def motion(_widget, context, _x, _y, time):
        Gdk.drag_status(context, Gdk.DragAction.COPY, time)
        return True

    def drop(widget, context, _x, _y, time):
        offered = [str(atom) for atom in context.list_targets()]
        with open(os.path.join(folder, "offered"), "w") as file:
            file.write("".join(name + "\n" for name in offered))
        with open(os.path.join(folder, "actions"), "w") as file:
            file.write(str(int(context.get_actions())))
        state["asked"] = [kind for kind in wanted if kind in offered]
        if not state["asked"]:
            Gtk.drag_finish(context, False, False, time)
            return True
        for kind in state["asked"]:
            widget.drag_get_data(context, Gdk.Atom.intern(kind, False), time)
        return True

    def received(_widget, context, _x, _y, data, _info, time):
        index = state["answers"]
        base = os.path.join(folder, str(index))
        with open(base + ".type", "w") as file:
            file.write(str(data.get_target()))
        with open(base + ".data", "wb") as file:
            file.write(data.get_data() or b"")
        state["answers"] += 1
        if state["answers"] == len(state["asked"]):
            Gtk.drag_finish(context, True, False, time)
            with open(os.path.join(folder, "done"), "w") as file:
                file.write(str(state["answers"]))
            print("dropped", state["answers"], "types", flush=True)

    box.connect("drag-motion", motion)
    box.connect("drag-drop", drop)
    box.connect("drag-data-received", received)
    window.show_all()


def main():
    if len(sys.argv) >= 4 and sys.argv[1] == "source":
        source(sys.argv[2], sys.argv[3])
    elif len(sys.argv) >= 4 and sys.argv[1] == "target":
        target(sys.argv[2], sys.argv[3:])
    else:
        print("usage: gtk-peer.py source TYPE FILE | target FOLDER TYPE...", file=sys.stderr)
        return 2
    Gtk.main()
    return 0


if __name__ == "__main__":
    sys.exit(main())
