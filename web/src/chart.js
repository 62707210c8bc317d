// The score chart: White's view of the engine's score after each of its moves, in pawns, held to +-6
// (a mate is drawn at the edge), as a line over a white and black area.
const LIMIT = 6;

export function drawChart(svg, points) {
  const width = 300;
  const height = 100;
  const x = (ply, plies) => (plies <= 1 ? 0 : (ply / (plies - 1)) * width);
  const y = (pawns) => height / 2 - (Math.max(-LIMIT, Math.min(LIMIT, pawns)) / LIMIT) * (height / 2);
  const plies = Math.max(2, ...points.map((p) => p.ply + 1));
  const path = points.map((p, i) => `${i ? 'L' : 'M'}${x(p.ply, plies).toFixed(1)},${y(p.pawns).toFixed(1)}`).join(' ');
  svg.innerHTML =
    `<rect x="0" y="${height / 2}" width="${width}" height="${height / 2}" fill="#e8e8e8"/>` +
    `<line x1="0" y1="${height / 2}" x2="${width}" y2="${height / 2}" stroke="#999" stroke-width="0.5"/>` +
    (points.length ? `<path d="${path}" fill="none" stroke="#c0392b" stroke-width="1.5" vector-effect="non-scaling-stroke"/>` : '');
  svg.dataset.points = String(points.length);
}

// A UCI score (side to move's view) as pawns for White.
export function whitePawns(score, whiteToMove) {
  const pawns = score.kind === 'mate' ? Math.sign(score.value) * LIMIT : score.value / 100;
  return whiteToMove ? pawns : -pawns;
}
