import sys

from velmora_kit.cli import main

sys.exit(main())
