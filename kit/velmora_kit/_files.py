"""Writing files the way a careful editor saves them.

Every file the package writes goes through `replacing_binary` or `replacing_text`: the
content is written to a temporary file created exclusively (O_EXCL), under a random name,
in the target's own folder (so that the final rename never crosses file systems), flushed
to disk and renamed over the target. A reader sees the old file or the whole new one,
never half of either; a symlink planted where a temporary might go is never followed,
because the name is new; and on every way out that is not success (an error, Ctrl-C, a
signal the command turns into an exception) the temporary is removed.

Errors name the user's path and the reason, never the temporary name.

    with replacing_text("out.csv", newline="\\n") as out:
        out.write("frame,x\\n")
"""

from __future__ import annotations

import contextlib
import os
import stat
import tempfile
import threading
from collections.abc import Iterator
from pathlib import Path
from typing import IO, Any, BinaryIO, TextIO, Union, cast

__all__ = ["replacing_binary", "replacing_text", "writing_error"]

PathLike = Union[str, "os.PathLike[str]"]

_umask_lock = threading.Lock()


def _file_mode(target: Path) -> int:
    # mkstemp creates 0600; a file written in place keeps its mode, or gets 0666 less the
    # umask when new, and readers of an export or a site (a 3-D tool or a web server run
    # by another user) rely on that.
    with contextlib.suppress(OSError):
        status = os.lstat(target)
        if stat.S_ISREG(status.st_mode):
            return stat.S_IMODE(status.st_mode)
    with _umask_lock:
        mask = os.umask(0o077)
        os.umask(mask)
    return 0o666 & ~mask


_NAMED = "_velmora_user_path"


def writing_error(error: OSError, target: Path) -> OSError:
    """The same kind of OSError, naming the user's path and the reason only."""
    reason = error.strerror or str(error) or type(error).__name__
    renamed = type(error)(f"cannot write {str(target)!r}: {reason}")
    renamed.errno = error.errno
    # Marked, so that a writer nested in another (a whole site written before any file
    # is renamed) passes it on as it is.
    setattr(renamed, _NAMED, target)
    return renamed


@contextlib.contextmanager
def _replacing(path: PathLike, mode: str, encoding: str | None, newline: str | None) -> Iterator[IO[Any]]:
    target = Path(path)
    if target.is_dir():
        # Checked first: the rename would say so too, but only after all the work.
        raise IsADirectoryError(f"cannot write {str(target)!r}: it is a folder")
    folder = target.parent
    try:
        handle, temporary = tempfile.mkstemp(dir=folder, prefix=f".{target.name}.", suffix=".tmp")
    except OSError as error:
        raise writing_error(error, target) from None
    file: IO[Any] | None = None
    try:
        try:
            file = os.fdopen(handle, mode, encoding=encoding, newline=newline)
        except BaseException:
            os.close(handle)
            raise
        try:
            yield file
        except OSError as error:  # a full disk, for one: said of the user's file
            if hasattr(error, _NAMED):
                raise
            raise writing_error(error, target) from None
        try:
            file.flush()
            os.fsync(file.fileno())
            os.fchmod(file.fileno(), _file_mode(target))
            file.close()
            os.replace(temporary, target)
        except OSError as error:
            raise writing_error(error, target) from None
    except BaseException:
        if file is not None:
            with contextlib.suppress(OSError):
                file.close()
        with contextlib.suppress(OSError):
            os.unlink(temporary)
        raise


@contextlib.contextmanager
def replacing_binary(path: PathLike) -> Iterator[BinaryIO]:
    """A binary file to write; on leaving the block without an error it replaces `path`.

    Raises
    ------
    OSError
        The folder cannot take the file, the disk is full, `path` is a folder (the message
        names `path` and the reason). Nothing is left behind.
    """
    with _replacing(path, "wb", None, None) as file:
        yield cast(BinaryIO, file)


@contextlib.contextmanager
def replacing_text(path: PathLike, *, encoding: str = "utf-8", newline: str | None = "\n") -> Iterator[TextIO]:
    """A text file to write; on leaving the block without an error it replaces `path`.

    `newline="\\n"` by default: the same bytes on every platform. Raises as
    `replacing_binary` does.
    """
    with _replacing(path, "w", encoding, newline) as file:
        yield cast(TextIO, file)
